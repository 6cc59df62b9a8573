// The readers of the files users edit by hand: cfg.txt, the three list files
// and receiveID.txt.
#include "cfgfile.h"
#include "listfile.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Read as the program reads its files: in text mode, line by line.
    for (int fields : { 3, 5 }) {
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly | QIODevice::Text);
        for (const QStringList &row : readListLines(file, fields)) {
            if (row.size() < fields)
                abort();
        }
    }
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    for (const QString &id : readReceiveIdLines(file)) {
        if (id.isEmpty() || id != id.trimmed())
            abort();
    }
    for (const QByteArray &line : bytes.split('\n')) {
        const std::optional<StoredCanConfig> config = canConfigFromFields(splitListLine(line));
        if (!config)
            continue;
        // What was read is written back field for field.
        const auto again = canConfigFromFields(canConfigText(*config).split(QLatin1Char(',')));
        if (!again || again->portBaud != config->portBaud || again->mask != config->mask
            || again->manualTiming != config->manualTiming || again->sendOnce != config->sendOnce
            || again->fixedFraming != config->fixedFraming)
            abort();
    }
    return 0;
}
