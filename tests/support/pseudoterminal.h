#ifndef PSEUDOTERMINAL_H
#define PSEUDOTERMINAL_H

#include <QByteArray>
#include <QString>

// A real pseudo-terminal: the window opens slavePath() like a serial port and
// the test plays the converter on the master side.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return master >= 0; }
    QString slavePath() const { return path; }

    // Reads from the master side while the event loop runs, until `count`
    // bytes have arrived or `timeoutMs` has passed.
    QByteArray read(int count, int timeoutMs = 2000);
    // Everything that arrives until the line has been quiet for `quietMs`.
    QByteArray readAll(int quietMs = 100);
    bool write(const QByteArray &bytes);
    // Hangs up the line, as an unplugged converter does.
    void closeMaster();
    // The line speed the slave side was set to, or 0.
    int baudRate() const;

private:
    int master = -1;
    int slave = -1;
    QString path;
};

// The output speed set on a terminal, including speeds without a B constant.
int lineSpeed(int fd);

#endif // PSEUDOTERMINAL_H
