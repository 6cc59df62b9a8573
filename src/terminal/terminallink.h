#ifndef TERMINALLINK_H
#define TERMINALLINK_H

#include <QString>

// A stable name for a pseudo-terminal, made as a symbolic link. The name is
// taken only where nothing is, or where a program of this kind left its link
// behind when it ended (a link into /dev/pts/ whose maker is gone). Anything
// else there (a file, a folder, a device, a link to anything else, the link
// of a program still running) is kept untouched and refused, so a name given
// by mistake never costs a file.
//
// Whether the maker still runs is told by a guard it holds while the link
// exists: an abstract Unix socket named after the link's path, which leaves
// no file and goes with the process however it ends. The terminal's existence
// cannot tell it: terminal numbers are handed out again at once.
class TerminalLink
{
public:
    TerminalLink() = default;
    ~TerminalLink() { remove(); }
    TerminalLink(const TerminalLink &) = delete;
    TerminalLink &operator=(const TerminalLink &) = delete;

    // Makes `linkPath` a link to `terminalPath`; false with the reason when
    // the place is taken. Never replaces what appeared since the look.
    bool make(const QString &terminalPath, const QString &linkPath, QString *error);
    // Removes the link only while it is still the one made here.
    void remove();
    bool isMade() const { return guard >= 0; }

private:
    int guard = -1;
    QString link;
    QString terminal;
};

// Why `linkPath` cannot be taken now, or an empty text when it can.
QString terminalLinkProblem(const QString &linkPath);

#endif // TERMINALLINK_H
