// Changes to a .dbc file made in its text, line by line, so that what the
// user did not change keeps its bytes.
#include "dbcdocument.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace {

constexpr quint32 ExtendedBit = 0x80000000u;
const QLatin1String NoNode("Vector__XXX");
const QLatin1String EmptyDatabase("VERSION \"\"\n\n\nNS_ :\n\nBS_:\n\nBU_:\n\n");
// Where comments and value texts go when the file has none yet: before the
// first statement that comes after them in the usual order of a .dbc file.
const QStringList AfterComments = { "BA_DEF_",      "BA_DEF_SGTYPE_", "BA_DEF_REL_", "BA_DEF_DEF_",
                                    "BA_DEF_DEF_REL_", "BA_",         "BA_REL_",     "BA_SGTYPE_",
                                    "VAL_",         "SIG_GROUP_",     "SIG_VALTYPE_", "SG_MUL_VAL_",
                                    "SIGTYPE_VALTYPE_", "SIG_TYPE_REF_", "CAT_DEF_", "CAT_",
                                    "FILTER" };
const QStringList AfterValueTexts = { "SIG_GROUP_", "SIG_VALTYPE_", "SG_MUL_VAL_",
                                      "SIGTYPE_VALTYPE_", "SIG_TYPE_REF_", "CAT_DEF_", "CAT_",
                                      "FILTER" };

QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + escaped + u'"';
}

bool refersTo(qint64 written, const DbcMessage &message)
{
    if (written < 0 || written > 0xFFFFFFFFll)
        return false;
    const auto id = quint32(written);
    const quint32 identifier = id & ~ExtendedBit;
    const bool extended = (id & ExtendedBit) || identifier > 0x7FF;
    return identifier == message.identifier && extended == message.extended;
}

bool sameSignal(const DbcSignal &a, const DbcSignal &b)
{
    return a.name == b.name && a.startBit == b.startBit && a.length == b.length
            && a.littleEndian == b.littleEndian && a.isSigned == b.isSigned
            && a.valueType == b.valueType && a.factor == b.factor && a.offset == b.offset
            && a.minimum == b.minimum && a.maximum == b.maximum && a.unit == b.unit
            && a.receivers == b.receivers && a.multiplex == b.multiplex
            && a.multiplexValue == b.multiplexValue && a.alsoMultiplexor == b.alsoMultiplexor
            && a.multiplexorName == b.multiplexorName && a.multiplexRanges == b.multiplexRanges
            && a.comment == b.comment && a.valueTexts == b.valueTexts
            && a.hasStartValue == b.hasStartValue && a.startValue == b.startValue;
}

// What the SG_ line itself says.
bool sameDefinition(const DbcSignal &a, const DbcSignal &b)
{
    DbcSignal aa = a, bb = b;
    aa.comment = bb.comment;
    aa.valueTexts = bb.valueTexts;
    return sameSignal(aa, bb);
}

bool sameDatabase(const DbcDatabase &a, const DbcDatabase &b)
{
    if (a.messages.size() != b.messages.size())
        return false;
    for (size_t i = 0; i < a.messages.size(); ++i) {
        const DbcMessage &x = a.messages[i], &y = b.messages[i];
        if (x.identifier != y.identifier || x.extended != y.extended || x.name != y.name
            || x.length != y.length || x.sender != y.sender || x.comment != y.comment
            || x.fd != y.fd || x.cycleTimeMs != y.cycleTimeMs
            || x.signalList.size() != y.signalList.size())
            return false;
        for (size_t k = 0; k < x.signalList.size(); ++k) {
            if (!sameSignal(x.signalList[k], y.signalList[k]))
                return false;
        }
    }
    return true;
}

DbcMessage *messageIn(DbcDatabase &database, quint32 identifier, bool extended)
{
    for (DbcMessage &message : database.messages) {
        if (message.identifier == identifier && message.extended == extended)
            return &message;
    }
    return nullptr;
}

int signalIndex(const DbcMessage &message, const QString &name)
{
    for (size_t i = 0; i < message.signalList.size(); ++i) {
        if (message.signalList[i].name == name)
            return int(i);
    }
    return -1;
}

// A signal as it reads back from what the writer writes.
DbcSignal asWritten(DbcSignal signal)
{
    if (signal.receivers.isEmpty())
        signal.receivers = QStringList{ NoNode };
    return signal;
}

// `name` replaced by `replacement` wherever it stands as a whole word outside quotes.
QString renamed(const QString &text, const QString &name, const QString &replacement)
{
    QString out;
    bool open = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == u'"') {
            open = !open;
        } else if (open && c == u'\\' && i + 1 < text.size()) {
            out += c;
            out += text[i + 1];
            i += 2;
            continue;
        } else if (!open && (c.isLetterOrNumber() || c == u'_')) {
            qsizetype end = i;
            while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == u'_'))
                ++end;
            const QStringView word = QStringView(text).sliced(i, end - i);
            out += word == name ? replacement : word.toString();
            i = end;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace

QString dbcNumber(double value)
{
    if (value == double(qint64(value)) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

qint64 dbcRawId(quint32 identifier, bool extended)
{
    return qint64(identifier | (extended ? ExtendedBit : 0));
}

QString dbcSignalLine(const DbcSignal &signal)
{
    QString multiplex;
    if (signal.multiplex == DbcSignal::Multiplex::Multiplexor)
        multiplex = QStringLiteral(" M");
    else if (signal.multiplex == DbcSignal::Multiplex::Multiplexed)
        multiplex = QStringLiteral(" m%1%2").arg(signal.multiplexValue).arg(
                signal.alsoMultiplexor ? QStringLiteral("M") : QString());
    const QStringList receivers = signal.receivers.isEmpty() ? QStringList{ NoNode } : signal.receivers;
    return QStringLiteral("SG_ %1%2 : %3|%4@%5%6 (%7,%8) [%9|%10] %11 %12")
            .arg(signal.name, multiplex)
            .arg(signal.startBit)
            .arg(signal.length)
            .arg(signal.littleEndian ? 1 : 0)
            .arg(QChar(signal.isSigned ? u'-' : u'+'))
            .arg(dbcNumber(signal.factor), dbcNumber(signal.offset), dbcNumber(signal.minimum),
                 dbcNumber(signal.maximum), quoted(signal.unit), receivers.join(u','));
}

QString dbcSignalCommentLine(qint64 rawId, const DbcSignal &signal, const QString &lineEnd)
{
    QString comment = signal.comment;
    comment.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\n', lineEnd);
    return QStringLiteral("CM_ SG_ %1 %2 %3;").arg(rawId).arg(signal.name, quoted(comment));
}

QString dbcValueTextsLine(qint64 rawId, const DbcSignal &signal)
{
    QString line = QStringLiteral("VAL_ %1 %2").arg(rawId).arg(signal.name);
    // Highest value first, as the usual editors write them.
    for (auto it = signal.valueTexts.constEnd(); it != signal.valueTexts.constBegin();) {
        --it;
        line += QStringLiteral(" %1 %2").arg(it.key()).arg(quoted(it.value()));
    }
    return line + QLatin1String(" ;");
}

QString dbcMessageLine(const DbcMessage &message)
{
    return QStringLiteral("BO_ %1 %2: %3 %4")
            .arg(dbcRawId(message.identifier, message.extended))
            .arg(message.name)
            .arg(message.length)
            .arg(message.sender.isEmpty() ? QString(NoNode) : message.sender);
}

DbcDocument::DbcDocument() : text(EmptyDatabase) { }

bool DbcDocument::load(const QByteArray &content, QString *error)
{
    bool codePage1252 = false;
    const QString decoded = dbcText(content, &codePage1252);
    DbcReadResult result = readDbc(content);
    if (!result.error.isEmpty()) {
        *error = result.error;
        return false;
    }
    text = decoded;
    encoding = codePage1252                 ? Encoding::CodePage1252
            : content.startsWith("\xEF\xBB\xBF") ? Encoding::Utf8WithMark
                                             : Encoding::Utf8;
    lineEnd = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
    read = std::move(result);
    undoTexts.clear();
    modified = false;
    empty = false;
    return true;
}

QByteArray DbcDocument::bytes(QString *error) const
{
    if (encoding == Encoding::CodePage1252) {
        const std::optional<QByteArray> bytes = dbcCodePage1252(text);
        if (!bytes && error)
            *error = QStringLiteral("a character is not in the file's code page 1252");
        return bytes.value_or(QByteArray());
    }
    QByteArray bytes = text.toUtf8();
    if (encoding == Encoding::Utf8WithMark)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

bool DbcDocument::parse(const QString &newText, QString *error)
{
    if (newText == EmptyDatabase) {
        read = DbcReadResult();
        empty = true;
        return true;
    }
    DbcReadResult result = readDbc(newText.toUtf8());
    if (!result.error.isEmpty()) {
        *error = result.error;
        return false;
    }
    read = std::move(result);
    empty = false;
    return true;
}

bool DbcDocument::commit(const QString &newText, const DbcDatabase &expected, QString *error)
{
    if (encoding == Encoding::CodePage1252 && !dbcCodePage1252(newText)) {
        *error = QStringLiteral("a character is not in the file's code page 1252");
        return false;
    }
    const DbcReadResult before = read;
    const bool wasEmpty = empty;
    if (!parse(newText, error) || !sameDatabase(read.database, expected)) {
        if (error->isEmpty())
            *error = QStringLiteral("the changed file does not read back as changed");
        read = before;
        empty = wasEmpty;
        return false;
    }
    undoTexts.push_back(text);
    text = newText;
    modified = true;
    return true;
}

bool DbcDocument::undo()
{
    if (undoTexts.empty())
        return false;
    QString error;
    parse(undoTexts.back(), &error);
    text = undoTexts.back();
    undoTexts.pop_back();
    modified = true;
    return true;
}

qsizetype DbcDocument::lineStart(int line) const
{
    qsizetype at = 0;
    for (int i = 0; i < line; ++i) {
        const qsizetype end = text.indexOf(u'\n', at);
        if (end < 0)
            return text.size();
        at = end + 1;
    }
    return at;
}

const DbcStatement *DbcDocument::statementOf(const QString &keyword, const DbcMessage &message,
                                             const QString &signalName) const
{
    for (const DbcStatement &statement : read.statements) {
        if (statement.keyword == keyword && refersTo(statement.messageId, message)
            && statement.signalName == signalName)
            return &statement;
    }
    return nullptr;
}

qsizetype DbcDocument::placeFor(const QString &keyword, const QStringList &before) const
{
    const DbcStatement *last = nullptr;
    for (const DbcStatement &statement : read.statements) {
        if (statement.keyword == keyword)
            last = &statement;
    }
    if (last)
        return lineStart(last->lastLine + 1);
    for (const DbcStatement &statement : read.statements) {
        if (before.contains(statement.keyword))
            return lineStart(statement.firstLine);
    }
    return text.size();
}

DbcDocument::TextEdit DbcDocument::insertion(qsizetype at, const QString &line) const
{
    const bool needsEnd = at == text.size() && !text.isEmpty() && !text.endsWith(u'\n');
    return { at, 0, (needsEnd ? lineEnd : QString()) + line + lineEnd };
}

DbcDocument::TextEdit DbcDocument::removal(const DbcStatement &statement) const
{
    const qsizetype from = lineStart(statement.firstLine);
    return { from, lineStart(statement.lastLine + 1) - from, QString() };
}

DbcDocument::TextEdit DbcDocument::replacement(const DbcStatement &statement,
                                               const QString &line) const
{
    const qsizetype from = lineStart(statement.firstLine);
    qsizetype to = lineStart(statement.lastLine + 1);
    // The line end stays as it was (or absent, on a last line without one).
    if (to > from && text[to - 1] == u'\n')
        to -= text.mid(to - 2, 2) == QLatin1String("\r\n") ? 2 : 1;
    return { from, to - from, line };
}

qint64 DbcDocument::writtenId(const DbcMessage &message) const
{
    const DbcStatement *definition = statementOf(QStringLiteral("BO_"), message, QString());
    return definition ? definition->messageId : dbcRawId(message.identifier, message.extended);
}

QString DbcDocument::applied(std::vector<TextEdit> edits) const
{
    std::stable_sort(edits.begin(), edits.end(),
                     [](const TextEdit &a, const TextEdit &b) { return a.at > b.at; });
    QString changed = text;
    for (const TextEdit &edit : edits)
        changed.replace(edit.at, edit.removed, edit.inserted);
    return changed;
}

bool DbcDocument::addMessage(const DbcMessage &message, QString *error)
{
    DbcDatabase expected = read.database;
    if (messageIn(expected, message.identifier, message.extended)) {
        *error = QStringLiteral("the database already has a message with identifier 0x%1")
                         .arg(message.identifier, 0, 16);
        return false;
    }
    DbcMessage added = message;
    added.signalList.clear();
    if (added.sender.isEmpty())
        added.sender = NoNode;
    expected.messages.push_back(added);
    // After the last message's definition and its signals, a blank line before it.
    qsizetype at = text.size();
    int lastLine = -1;
    for (const DbcStatement &statement : read.statements) {
        if (statement.keyword == u"BO_" || statement.keyword == u"SG_")
            lastLine = statement.lastLine;
    }
    if (lastLine >= 0)
        at = lineStart(lastLine + 1);
    TextEdit edit = insertion(at, dbcMessageLine(added));
    edit.inserted.prepend(lineEnd);
    return commit(applied({ edit }), expected, error);
}

bool DbcDocument::addSignal(quint32 identifier, bool extended, const DbcSignal &signal,
                            QString *error)
{
    DbcDatabase expected = read.database;
    DbcMessage *message = messageIn(expected, identifier, extended);
    if (!message) {
        *error = QStringLiteral("the database has no message with identifier 0x%1")
                         .arg(identifier, 0, 16);
        return false;
    }
    if (signalIndex(*message, signal.name) >= 0) {
        *error = QStringLiteral("%1 already has a signal named %2").arg(message->name, signal.name);
        return false;
    }
    const qint64 rawId = writtenId(*message);
    // After the message's last signal, indented as its signals are.
    const DbcStatement *after = statementOf(QStringLiteral("BO_"), *message, QString());
    QString indent = QStringLiteral(" ");
    for (const DbcSignal &existing : message->signalList) {
        if (const DbcStatement *line = statementOf(QStringLiteral("SG_"), *message, existing.name)) {
            after = line;
            const QString first = text.mid(lineStart(line->firstLine), 64);
            indent = first.left(first.indexOf(QLatin1String("SG_")));
        }
    }
    std::vector<TextEdit> edits = { insertion(lineStart(after->lastLine + 1),
                                              indent + dbcSignalLine(signal)) };
    if (!signal.comment.isEmpty())
        edits.push_back(insertion(placeFor(QStringLiteral("CM_"), AfterComments),
                                  dbcSignalCommentLine(rawId, signal, lineEnd)));
    if (!signal.valueTexts.isEmpty())
        edits.push_back(insertion(placeFor(QStringLiteral("VAL_"), AfterValueTexts),
                                  dbcValueTextsLine(rawId, signal)));
    message->signalList.push_back(asWritten(signal));
    return commit(applied(edits), expected, error);
}

bool DbcDocument::changeSignal(quint32 identifier, bool extended, const QString &name,
                               const DbcSignal &signal, QString *error)
{
    DbcDatabase expected = read.database;
    DbcMessage *message = messageIn(expected, identifier, extended);
    const int index = message ? signalIndex(*message, name) : -1;
    if (index < 0) {
        *error = QStringLiteral("no signal %1 to change").arg(name);
        return false;
    }
    if (signal.name != name && signalIndex(*message, signal.name) >= 0) {
        *error = QStringLiteral("%1 already has a signal named %2").arg(message->name, signal.name);
        return false;
    }
    const DbcSignal &old = message->signalList[size_t(index)];
    const qint64 rawId = writtenId(*message);
    std::vector<TextEdit> edits;
    if (!sameDefinition(asWritten(signal), old)) {
        const DbcStatement *line = statementOf(QStringLiteral("SG_"), *message, name);
        const QString first = text.mid(lineStart(line->firstLine), 64);
        edits.push_back(replacement(*line, first.left(first.indexOf(QLatin1String("SG_")))
                                            + dbcSignalLine(signal)));
    }
    const bool renaming = signal.name != name;
    const auto rewrite = [&](const QString &keyword, bool present, const QStringList &before,
                             const QString &line) {
        const DbcStatement *statement = statementOf(keyword, *message, name);
        if (statement && !present)
            edits.push_back(removal(*statement));
        else if (statement)
            edits.push_back(replacement(*statement, line));
        else if (present)
            edits.push_back(insertion(placeFor(keyword, before), line));
    };
    if (renaming || signal.comment != old.comment)
        rewrite(QStringLiteral("CM_"), !signal.comment.isEmpty(), AfterComments,
                dbcSignalCommentLine(rawId, signal, lineEnd));
    if (renaming || signal.valueTexts != old.valueTexts)
        rewrite(QStringLiteral("VAL_"), !signal.valueTexts.isEmpty(), AfterValueTexts,
                dbcValueTextsLine(rawId, signal));
    if (renaming) {
        // Whatever else names the signal in this message follows the new name.
        for (const DbcStatement &statement : read.statements) {
            if (statement.keyword == u"BO_" || statement.keyword == u"SG_"
                || statement.keyword == u"CM_" || statement.keyword == u"VAL_"
                || !refersTo(statement.messageId, *message))
                continue;
            const qsizetype from = lineStart(statement.firstLine);
            const QString lines = text.mid(from, lineStart(statement.lastLine + 1) - from);
            const QString changed = renamed(lines, name, signal.name);
            if (changed != lines)
                edits.push_back({ from, lines.size(), changed });
        }
        for (DbcSignal &other : message->signalList) {
            if (other.multiplexorName == name)
                other.multiplexorName = signal.name;
        }
    }
    DbcSignal changed = asWritten(signal);
    changed.valueType = old.valueType;
    changed.hasStartValue = old.hasStartValue;
    changed.startValue = old.startValue;
    changed.multiplexorName = old.multiplexorName;
    changed.multiplexRanges = old.multiplexRanges;
    message->signalList[size_t(index)] = changed;
    return commit(applied(edits), expected, error);
}

bool DbcDocument::removeSignal(quint32 identifier, bool extended, const QString &name,
                               QString *error)
{
    DbcDatabase expected = read.database;
    DbcMessage *message = messageIn(expected, identifier, extended);
    const int index = message ? signalIndex(*message, name) : -1;
    if (index < 0) {
        *error = QStringLiteral("no signal %1 to remove").arg(name);
        return false;
    }
    const DbcSignal &removed = message->signalList[size_t(index)];
    for (const DbcSignal &other : message->signalList) {
        if (other.multiplex == DbcSignal::Multiplex::Multiplexed
            && (other.multiplexorName == name
                || (other.multiplexorName.isEmpty()
                    && removed.multiplex == DbcSignal::Multiplex::Multiplexor))) {
            *error = QStringLiteral("%1 selects other signals of %2 (such as %3)")
                             .arg(name, message->name, other.name);
            return false;
        }
    }
    std::vector<TextEdit> edits;
    for (const DbcStatement &statement : read.statements) {
        if (!refersTo(statement.messageId, *message))
            continue;
        if (statement.signalName == name) {
            edits.push_back(removal(statement));
        } else if (statement.keyword == u"SIG_GROUP_") {
            // The group keeps its other members.
            const qsizetype from = lineStart(statement.firstLine);
            const QString lines = text.mid(from, lineStart(statement.lastLine + 1) - from);
            QString changed = renamed(lines, name, QStringLiteral("\x01"));
            if (changed != lines) {
                changed.remove(QLatin1String(" \x01")).remove(u'\x01');
                edits.push_back({ from, lines.size(), changed });
            }
        }
    }
    message->signalList.erase(message->signalList.begin() + index);
    return commit(applied(edits), expected, error);
}

bool saveDbcDocument(const DbcDocument &document, const QString &fileName, QString *error)
{
    QString problem;
    const QByteArray content = document.bytes(&problem);
    if (!problem.isEmpty()) {
        *error = problem;
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    QFile written(fileName);
    if (!written.open(QIODevice::ReadOnly)) {
        *error = written.errorString();
        return false;
    }
    const DbcReadResult again = readDbc(written.readAll());
    if (!again.error.isEmpty() || !sameDatabase(again.database, document.database())) {
        *error = QStringLiteral("the written file does not read back as the database in memory");
        return false;
    }
    return true;
}
