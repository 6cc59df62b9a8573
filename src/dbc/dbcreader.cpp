// Reading a .dbc file: statements a line at a time (a quoted text may run over
// several lines), messages and signals first, then what refers to them.
#include "dbc.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace {

constexpr int MaxSkippedSamples = 5;
constexpr quint32 ExtendedBit = 0x80000000u;
constexpr quint32 ExtendedIdMask = 0x1FFFFFFFu;
constexpr quint32 StandardIdMask = 0x7FFu;
const QLatin1String IndependentSignals("VECTOR__INDEPENDENT_SIG_MSG");

// Windows code page 1252 from 0x80 to 0x9F; the rest is Latin-1. Unassigned
// bytes keep their Latin-1 control character.
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

enum class TokenType { End, Name, Number, Text, Symbol };

struct Token
{
    TokenType type = TokenType::End;
    QString text; // a name, a number as written, a quoted text unescaped
    QChar symbol;
};

// The tokens of one statement.
class Lexer
{
public:
    explicit Lexer(QStringView text) : text(text) { }

    Token next()
    {
        while (at < text.size() && text[at].isSpace())
            ++at;
        Token token;
        if (at >= text.size())
            return token;
        const qsizetype begin = at;
        const QChar c = text[at];
        const bool afterNumber = lastWasNumber && begin == lastEnd;
        lastWasNumber = false;
        if (c == u'"') {
            token.type = TokenType::Text;
            ++at;
            while (at < text.size() && text[at] != u'"') {
                if (text[at] == u'\\' && at + 1 < text.size()
                    && (text[at + 1] == u'"' || text[at + 1] == u'\\'))
                    ++at;
                token.text += text[at++];
            }
            ++at; // the closing quote (statements are gathered with it)
        } else if (c.isDigit() && !startsNumber(begin)) { // a name such as 0_COUNTER
            token.type = TokenType::Name;
            at = nameEnd(begin);
            token.text = text.sliced(begin, at - begin).toString();
        } else if (c.isDigit() || c == u'.'
                   || ((c == u'-' || c == u'+') && !afterNumber && at + 1 < text.size()
                       && (text[at + 1].isDigit() || text[at + 1] == u'.'))) {
            token.type = TokenType::Number;
            ++at;
            while (at < text.size()) {
                const QChar d = text[at];
                if (d.isDigit() || d == u'.' || d == u'e' || d == u'E'
                    || ((d == u'-' || d == u'+') && (text[at - 1] == u'e' || text[at - 1] == u'E')))
                    ++at;
                else
                    break;
            }
            token.text = text.sliced(begin, at - begin).toString();
            lastWasNumber = true;
        } else if (isNameCharacter(c)) {
            token.type = TokenType::Name;
            at = nameEnd(begin);
            token.text = text.sliced(begin, at - begin).toString();
        } else {
            token.type = TokenType::Symbol;
            token.symbol = c;
            ++at;
        }
        lastEnd = at;
        return token;
    }

    static bool isNameCharacter(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

private:
    qsizetype nameEnd(qsizetype from) const
    {
        while (from < text.size() && isNameCharacter(text[from]))
            ++from;
        return from;
    }

    // Whether the run of name characters at `from`, which starts with a digit, begins a
    // number: digits alone (a fraction may follow), or digits, an exponent's 'e' and its
    // digits or sign. Any other run, such as 0_COUNTER or 2nd, is a name.
    bool startsNumber(qsizetype from) const
    {
        const qsizetype end = nameEnd(from);
        qsizetype i = from;
        while (i < end && text[i].isDigit())
            ++i;
        if (i == end)
            return true;
        if (text[i] != u'e' && text[i] != u'E')
            return false;
        qsizetype digits = ++i;
        while (i < end && text[i].isDigit())
            ++i;
        if (i != end)
            return false;
        return i > digits || (end < text.size() && (text[end] == u'-' || text[end] == u'+'));
    }

    QStringView text;
    qsizetype at = 0;
    qsizetype lastEnd = -1;
    bool lastWasNumber = false;
};

// A statement's tokens with the checks a parser needs; the first failed
// expectation becomes the reason its line is skipped.
class Parser
{
public:
    explicit Parser(QStringView text) : lexer(text) { current = lexer.next(); }

    bool atEnd() const { return current.type == TokenType::End; }
    bool isSymbol(char16_t c) const
    {
        return current.type == TokenType::Symbol && current.symbol == QChar(c);
    }
    bool isName() const { return current.type == TokenType::Name; }
    // A name, or digits alone where the format has a name (a node called 42).
    bool isNameOrDigits() const
    {
        return isName()
                || (isNumber()
                    && std::all_of(current.text.cbegin(), current.text.cend(),
                                   [](QChar c) { return Lexer::isNameCharacter(c); }));
    }
    bool isNumber() const { return current.type == TokenType::Number; }
    bool isText() const { return current.type == TokenType::Text; }
    const Token &peek() const { return current; }

    Token take()
    {
        Token token = std::move(current);
        current = lexer.next();
        return token;
    }
    bool symbol(char16_t c, const char *what)
    {
        if (!isSymbol(c))
            return fail(what);
        take();
        return true;
    }
    bool name(QString *out, const char *what)
    {
        if (!isNameOrDigits())
            return fail(what);
        *out = take().text;
        return true;
    }
    bool text(QString *out, const char *what)
    {
        if (!isText())
            return fail(what);
        *out = take().text;
        return true;
    }
    bool number(double *out, const char *what)
    {
        bool ok = false;
        if (isNumber())
            *out = current.text.toDouble(&ok);
        if (!ok)
            return fail(what);
        take();
        return true;
    }
    bool integer(qint64 *out, const char *what)
    {
        bool ok = false;
        if (isNumber()) {
            *out = current.text.toLongLong(&ok);
            if (!ok) { // "1.0" or "1e3" where an integer is meant
                const double value = current.text.toDouble(&ok);
                ok = ok && value == double(qint64(value)) && std::abs(value) < 9.2e18;
                *out = qint64(value);
            }
        }
        if (!ok)
            return fail(what);
        take();
        return true;
    }
    bool fail(const char *what)
    {
        if (error.isEmpty())
            error = QStringLiteral("expected ") + QLatin1String(what);
        return false;
    }

    QString error;

private:
    Lexer lexer;
    Token current;
};

bool isKeyword(QStringView word)
{
    if (word == u"VERSION" || word == u"FILTER")
        return true;
    if (word.size() < 3 || !word.endsWith(u'_'))
        return false;
    for (const QChar c : word) {
        if (!(c.isUpper() || c == u'_') || c.unicode() > 127)
            return false;
    }
    return true;
}

QStringView firstWord(QStringView line)
{
    qsizetype begin = 0;
    while (begin < line.size() && line[begin].isSpace())
        ++begin;
    qsizetype end = begin;
    while (end < line.size() && (line[end].isLetterOrNumber() || line[end] == u'_'))
        ++end;
    return line.sliced(begin, end - begin);
}

// Whether a quoted text is left open at the end of `line`, given whether one was open at its start.
bool openAfter(QStringView line, bool open)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\\' && open)
            ++i;
        else if (line[i] == u'"')
            open = !open;
    }
    return open;
}

bool endsStatement(QStringView line)
{
    bool open = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\\' && open)
            ++i;
        else if (line[i] == u'"')
            open = !open;
        else if (line[i] == u';' && !open)
            return true;
    }
    return false;
}

struct Statement
{
    int line = 0;
    QString keyword;
    QString text;
};

// The message, and the signal, a statement refers to: the number after its
// keyword (or after the BO_ or SG_ it names), then for a signal the name
// after that number.
void findReference(const Statement &statement, DbcStatement *source)
{
    static const QStringList signalFirst = { QStringLiteral("SG_"), QStringLiteral("VAL_"),
                                             QStringLiteral("SIG_VALTYPE_"),
                                             QStringLiteral("SG_MUL_VAL_") };
    Lexer lexer(statement.text);
    lexer.next(); // the keyword
    bool signalNamed = signalFirst.contains(statement.keyword);
    const bool marked = statement.keyword == u"CM_" || statement.keyword.startsWith(u"BA_");
    for (Token token = lexer.next(); token.type != TokenType::End; token = lexer.next()) {
        if (marked && token.type == TokenType::Name) {
            if (token.text == u"SG_")
                signalNamed = true;
            else if (token.text != u"BO_")
                continue;
            token = lexer.next();
        } else if (marked) {
            continue;
        }
        bool ok = false;
        const qint64 id = token.type == TokenType::Number ? token.text.toLongLong(&ok) : -1;
        if (!ok)
            return;
        source->messageId = id;
        if (signalNamed) {
            const Token name = lexer.next();
            if (name.type == TokenType::Name || name.type == TokenType::Number)
                source->signalName = name.text;
        }
        return;
    }
}

class Reader
{
public:
    DbcReadResult result;

    void read(const QString &text)
    {
        lines = QStringView(text).split(u'\n');
        for (QStringView &line : lines) {
            if (line.endsWith(u'\r'))
                line.chop(1);
        }
        std::vector<Statement> later;
        bool first = true;
        bool inNamespaces = false;
        for (int i = 0; i < lines.size();) {
            const QStringView line = lines[i];
            const int lineNumber = i + 1;
            const QStringView trimmed = line.trimmed();
            if (trimmed.isEmpty() || trimmed.startsWith(u"//")) {
                ++i;
                continue;
            }
            const bool indented = line.front().isSpace();
            if (inNamespaces && indented) { // the names listed under NS_
                ++i;
                continue;
            }
            inNamespaces = false;
            const QStringView keyword = firstWord(trimmed);
            if (first) {
                first = false;
                if (!isKeyword(keyword)) {
                    result.error = QStringLiteral("line %1: expected a DBC keyword such as "
                                                  "VERSION, NS_, BU_ or BO_ (not a DBC file)")
                                           .arg(lineNumber);
                    return;
                }
            }
            // Gather the statement: open quotes run on, and so do the statements
            // that end with ';' until it or the next keyword comes.
            int last = i;
            bool open = openAfter(line, false);
            while (open && last + 1 < lines.size())
                open = openAfter(lines[++last], open);
            if (open) {
                skip(lineNumber, "expected the closing '\"' of a text");
                ++i;
                continue;
            }
            const bool needsEnd = keyword == u"CM_" || keyword == u"BA_" || keyword == u"VAL_"
                    || keyword == u"SIG_VALTYPE_" || keyword == u"SG_MUL_VAL_";
            if (needsEnd) {
                bool closed = false;
                for (int j = i; j <= last; ++j)
                    closed = closed || endsStatement(lines[j]);
                while (!closed && last + 1 < lines.size()
                       && !isKeyword(firstWord(lines[last + 1]))) {
                    bool runOpen = openAfter(lines[++last], false);
                    while (runOpen && last + 1 < lines.size())
                        runOpen = openAfter(lines[++last], runOpen);
                    closed = endsStatement(lines[last]);
                }
            }
            Statement statement;
            statement.line = lineNumber;
            statement.keyword = keyword.toString();
            for (int j = i; j <= last; ++j) {
                if (j > i)
                    statement.text += u'\n';
                statement.text += lines[j];
            }
            i = last + 1;
            DbcStatement &source = result.statements.emplace_back();
            source.keyword = statement.keyword;
            source.firstLine = lineNumber - 1;
            source.lastLine = last;
            if (keyword == u"SG_") {
                if (currentMessage >= 0)
                    source.messageId = currentRawId;
                Parser p(statement.text);
                p.take();
                p.name(&source.signalName, "");
            } else if (!statement.keyword.startsWith(u"BA_DEF")) {
                findReference(statement, &source);
            }

            if (keyword == u"NS_")
                inNamespaces = true;
            else if (keyword == u"BO_")
                readMessage(statement);
            else if (keyword == u"SG_")
                readSignal(statement);
            else if (needsEnd)
                later.push_back(std::move(statement));
            else if (keyword == u"BA_DEF_DEF_")
                readAttributeDefault(statement);
            else
                currentMessage = -1; // BO_TX_BU_, EV_ and the rest: read past
        }
        if (result.database.messages.empty()) {
            result.error = QStringLiteral("line %1: expected a message (BO_)")
                                   .arg(std::max<qsizetype>(1, lines.size()));
            return;
        }
        for (const Statement &statement : later)
            readReference(statement);
        if (j1939Network)
            for (DbcMessage &message : result.database.messages)
                message.j1939 = message.j1939 || message.extended;
        for (DbcMessage &message : result.database.messages)
            resolveMultiplexing(message);
        result.database.index();
        // References are read after the messages: the first few skipped lines in file order.
        std::stable_sort(skips.begin(), skips.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        result.skippedLines = int(skips.size());
        for (size_t i = 0; i < skips.size() && i < size_t(MaxSkippedSamples); ++i)
            result.skipped.append(
                    QStringLiteral("line %1: %2").arg(skips[i].first).arg(skips[i].second));
    }

private:
    QList<QStringView> lines;
    QHash<quint32, int> messageByRawId; // the identifier as written, extended bit included
    int currentMessage = -1; // where SG_ lines go; -1: nowhere (skipped or none yet)
    qint64 currentRawId = -1;
    bool j1939Network = false; // BA_ "ProtocolType" "J1939": every 29-bit message is J1939
    bool skippingMessage = false; // the signals of a skipped message are skipped silently

    std::vector<std::pair<int, QString>> skips; // line and reason, in the order found

    void skip(int lineNumber, const QString &reason) { skips.emplace_back(lineNumber, reason); }
    void skip(int lineNumber, const char *reason) { skip(lineNumber, QString::fromLatin1(reason)); }

    void readMessage(const Statement &statement)
    {
        currentMessage = -1;
        skippingMessage = true;
        Parser p(statement.text);
        p.take(); // BO_
        qint64 rawId = 0;
        DbcMessage message;
        qint64 length = 0;
        const bool ok = p.integer(&rawId, "the message's identifier")
                && p.name(&message.name, "the message's name") && p.symbol(u':', "':'")
                && p.integer(&length, "the message's length");
        if (!ok) {
            skip(statement.line, p.error);
            return;
        }
        if (p.isNameOrDigits())
            message.sender = p.take().text;
        if (length < 0 || length > 64) {
            skip(statement.line, "expected a length of 0 to 64 bytes");
            return;
        }
        message.length = int(length);
        if (rawId < 0 || rawId > 0xFFFFFFFFll) {
            skip(statement.line, "identifier is not a CAN identifier");
            return;
        }
        const auto id = quint32(rawId);
        const bool independent = message.name == IndependentSignals;
        message.extended = id & ExtendedBit;
        message.identifier = id & ~ExtendedBit;
        if (!independent) {
            if (message.identifier > ExtendedIdMask) {
                skip(statement.line, "identifier is not a CAN identifier");
                return;
            }
            // A standard identifier has 11 bits: a larger one lacks only its extended bit.
            if (message.identifier > StandardIdMask)
                message.extended = true;
        }
        if (messageByRawId.contains(id)) {
            skip(statement.line, QStringLiteral("message %1 defined again").arg(id));
            return;
        }
        skippingMessage = false;
        currentMessage = int(result.database.messages.size());
        currentRawId = rawId;
        messageByRawId.insert(id, currentMessage);
        result.database.messages.push_back(std::move(message));
    }

    void readSignal(const Statement &statement)
    {
        if (currentMessage < 0) {
            if (!skippingMessage)
                skip(statement.line, "signal outside a message");
            return;
        }
        Parser p(statement.text);
        p.take(); // SG_
        DbcSignal signal;
        if (!p.name(&signal.name, "the signal's name"))
            return skip(statement.line, p.error);
        if (p.isName()) {
            const QString mux = p.take().text;
            if (mux == u"M") {
                signal.multiplex = DbcSignal::Multiplex::Multiplexor;
            } else if (mux.front() == u'm') {
                QStringView digits = QStringView(mux).sliced(1);
                if (digits.endsWith(u'M')) {
                    signal.alsoMultiplexor = true;
                    digits.chop(1);
                }
                bool ok = false;
                signal.multiplexValue = digits.toLongLong(&ok);
                if (!ok || signal.multiplexValue < 0)
                    return skip(statement.line, "expected a multiplexor value after 'm'");
                signal.multiplex = DbcSignal::Multiplex::Multiplexed;
            } else {
                return skip(statement.line, "expected 'M', 'mN' or ':' after the signal's name");
            }
        }
        qint64 start = 0, length = 0, order = 0;
        if (!(p.symbol(u':', "':'") && p.integer(&start, "the start bit") && p.symbol(u'|', "'|'")
              && p.integer(&length, "the signal's length") && p.symbol(u'@', "'@'")
              && p.integer(&order, "the byte order (@0 or @1)")))
            return skip(statement.line, p.error);
        if (p.isSymbol(u'+') || p.isSymbol(u'-')) {
            signal.isSigned = p.take().symbol == u'-';
        } else {
            return skip(statement.line, "expected '+' or '-'");
        }
        if (!(p.symbol(u'(', "'('") && p.number(&signal.factor, "the factor")
              && p.symbol(u',', "','") && p.number(&signal.offset, "the offset")
              && p.symbol(u')', "')'") && p.symbol(u'[', "'['")
              && p.number(&signal.minimum, "the minimum") && p.symbol(u'|', "'|'")
              && p.number(&signal.maximum, "the maximum") && p.symbol(u']', "']'")
              && p.text(&signal.unit, "the unit in quotes")))
            return skip(statement.line, p.error);
        while (!p.atEnd()) {
            const bool receiver = p.isNameOrDigits();
            const Token token = p.take();
            if (receiver)
                signal.receivers.append(token.text);
        }
        if (order != 0 && order != 1)
            return skip(statement.line, "expected the byte order @0 or @1");
        if (length < 1 || length > 64)
            return skip(statement.line, "expected a signal length of 1 to 64 bits");
        if (start < 0 || start > 511)
            return skip(statement.line, "expected a start bit of 0 to 511");
        signal.startBit = int(start);
        signal.length = int(length);
        signal.littleEndian = order == 1;
        result.database.messages[size_t(currentMessage)].signalList.push_back(std::move(signal));
    }

    DbcMessage *messageFor(qint64 rawId)
    {
        if (rawId < 0 || rawId > 0xFFFFFFFFll)
            return nullptr;
        const int index = messageByRawId.value(quint32(rawId), -1);
        return index < 0 ? nullptr : &result.database.messages[size_t(index)];
    }

    static DbcSignal *signalIn(DbcMessage *message, const QString &name)
    {
        if (!message)
            return nullptr;
        for (DbcSignal &signal : message->signalList) {
            if (signal.name == name)
                return &signal;
        }
        return nullptr;
    }

    // The defaults of the attributes a sender uses; others, and ones that do
    // not read as a number, are read past.
    void readAttributeDefault(const Statement &statement)
    {
        currentMessage = -1;
        Parser p(statement.text);
        p.take();
        QString attribute;
        double value = 0;
        if (!p.text(&attribute, "the attribute's name in quotes") || !p.isNumber()
            || !p.number(&value, "the default"))
            return;
        DbcDatabase &database = result.database;
        if (attribute == u"GenMsgCycleTime" && value >= 0 && value < 1e9) {
            database.defaultCycleTimeMs = int(value);
        } else if (attribute == u"GenSigStartValue") {
            database.hasDefaultStartValue = true;
            database.defaultStartValue = value;
        }
    }

    // CM_, BA_, VAL_, SIG_VALTYPE_ and SG_MUL_VAL_: references to messages and
    // signals; ones to messages or signals the file lacks are read past.
    void readReference(const Statement &statement)
    {
        Parser p(statement.text);
        p.take();
        const QString &keyword = statement.keyword;
        qint64 rawId = 0;
        QString name;
        if (keyword == u"CM_") {
            QString comment;
            if (p.isText())
                return; // the network's comment
            QString kind;
            if (!p.name(&kind, "BU_, BO_, SG_ or EV_"))
                return skip(statement.line, p.error);
            if (kind == u"BO_") {
                if (!(p.integer(&rawId, "the message's identifier")
                      && p.text(&comment, "the comment in quotes")))
                    return skip(statement.line, p.error);
                if (DbcMessage *message = messageFor(rawId))
                    message->comment = comment;
            } else if (kind == u"SG_") {
                if (!(p.integer(&rawId, "the message's identifier")
                      && p.name(&name, "the signal's name")
                      && p.text(&comment, "the comment in quotes")))
                    return skip(statement.line, p.error);
                if (DbcSignal *signal = signalIn(messageFor(rawId), name))
                    signal->comment = comment;
            }
        } else if (keyword == u"BA_") {
            QString attribute;
            if (!p.text(&attribute, "the attribute's name in quotes"))
                return skip(statement.line, p.error);
            if (attribute == u"GenSigStartValue" && p.isName() && p.peek().text == u"SG_") {
                p.take();
                double start = 0;
                if (!(p.integer(&rawId, "the message's identifier")
                      && p.name(&name, "the signal's name") && p.number(&start, "the start value")))
                    return skip(statement.line, p.error);
                if (DbcSignal *signal = signalIn(messageFor(rawId), name)) {
                    signal->hasStartValue = true;
                    signal->startValue = start;
                }
                return;
            }
            if (attribute == u"ProtocolType" && p.isText()) {
                QString protocol;
                p.text(&protocol, "the protocol");
                j1939Network = protocol == u"J1939";
                return;
            }
            if ((attribute != u"GenMsgCycleTime" && attribute != u"VFrameFormat") || !p.isName()
                || p.peek().text != u"BO_")
                return;
            p.take();
            if (attribute == u"VFrameFormat") {
                // Vector's list: 3 J1939PG, 14 StandardCAN_FD, 15 ExtendedCAN_FD; some tools write the name.
                QString format;
                double index = 0;
                if (!p.integer(&rawId, "the message's identifier"))
                    return skip(statement.line, p.error);
                const bool read = p.isNumber() ? p.number(&index, "the frame format")
                                               : p.text(&format, "the frame format");
                if (DbcMessage *message = messageFor(rawId); message && read) {
                    message->fd =
                            index == 14 || index == 15 || format.endsWith(QLatin1String("_FD"));
                    message->j1939 = index == 3 || format == u"J1939PG";
                }
                return;
            }
            double cycle = 0;
            if (!(p.integer(&rawId, "the message's identifier")
                  && p.number(&cycle, "the cycle time")))
                return skip(statement.line, p.error);
            if (DbcMessage *message = messageFor(rawId))
                message->cycleTimeMs = cycle >= 0 && cycle < 1e9 ? int(cycle) : -1;
        } else if (keyword == u"VAL_") {
            if (!p.isNumber())
                return; // value texts of an environment variable
            if (!(p.integer(&rawId, "the message's identifier")
                  && p.name(&name, "the signal's name")))
                return skip(statement.line, p.error);
            QMap<qint64, QString> texts;
            while (!p.atEnd() && !p.isSymbol(u';')) {
                qint64 value = 0;
                QString text;
                if (!(p.integer(&value, "a value") && p.text(&text, "the value's text in quotes")))
                    return skip(statement.line, p.error);
                texts.insert(value, text);
            }
            if (DbcSignal *signal = signalIn(messageFor(rawId), name))
                signal->valueTexts = texts;
        } else if (keyword == u"SIG_VALTYPE_") {
            qint64 type = 0;
            if (!(p.integer(&rawId, "the message's identifier")
                  && p.name(&name, "the signal's name")))
                return skip(statement.line, p.error);
            if (p.isSymbol(u':'))
                p.take();
            if (!p.integer(&type, "the value type 0, 1 or 2"))
                return skip(statement.line, p.error);
            DbcSignal *signal = signalIn(messageFor(rawId), name);
            if (!signal || type == 0)
                return;
            if ((type == 1 && signal->length != 32) || (type == 2 && signal->length != 64)
                || type > 2 || type < 0)
                return skip(statement.line, "expected a 32-bit float or a 64-bit double signal");
            signal->valueType =
                    type == 1 ? DbcSignal::ValueType::Float32 : DbcSignal::ValueType::Float64;
        } else if (keyword == u"SG_MUL_VAL_") {
            QString multiplexor;
            if (!(p.integer(&rawId, "the message's identifier")
                  && p.name(&name, "the signal's name")
                  && p.name(&multiplexor, "the multiplexor's name")))
                return skip(statement.line, p.error);
            std::vector<std::pair<qint64, qint64>> ranges;
            while (!p.atEnd() && !p.isSymbol(u';')) {
                qint64 low = 0, high = 0;
                if (!(p.integer(&low, "a value range low-high") && p.symbol(u'-', "'-'")
                      && p.integer(&high, "a value range low-high")))
                    return skip(statement.line, p.error);
                ranges.emplace_back(low, high);
                if (p.isSymbol(u','))
                    p.take();
            }
            if (DbcSignal *signal = signalIn(messageFor(rawId), name)) {
                signal->multiplexorName = multiplexor;
                signal->multiplexRanges = std::move(ranges);
            }
        }
    }

    // Each multiplexed signal's multiplexor: the one SG_MUL_VAL_ names, else the message's "M".
    static void resolveMultiplexing(DbcMessage &message)
    {
        int simple = -1;
        std::vector<DbcSignal> &list = message.signalList;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].multiplex == DbcSignal::Multiplex::Multiplexor) {
                simple = int(i);
                break;
            }
        }
        for (DbcSignal &signal : list) {
            if (signal.multiplex != DbcSignal::Multiplex::Multiplexed)
                continue;
            signal.multiplexorIndex = simple;
            if (signal.multiplexorName.isEmpty())
                continue;
            for (size_t i = 0; i < list.size(); ++i) {
                if (list[i].name == signal.multiplexorName && &list[i] != &signal)
                    signal.multiplexorIndex = int(i);
            }
        }
    }
};

} // namespace

QString dbcText(const QByteArray &content, bool *codePage1252)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(content);
    if (codePage1252)
        *codePage1252 = utf8.hasError();
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    text.resize(content.size());
    QChar *out = text.data();
    for (const char c : content) {
        const auto byte = quint8(c);
        *out++ = byte >= 0x80 && byte < 0xA0 ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

std::optional<QByteArray> dbcCodePage1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes.append(char(u));
            continue;
        }
        const auto high = std::find(std::begin(Cp1252High), std::end(Cp1252High), u);
        if (high == std::end(Cp1252High))
            return std::nullopt;
        bytes.append(char(0x80 + (high - std::begin(Cp1252High))));
    }
    return bytes;
}

const DbcMessage *DbcDatabase::find(quint32 identifier, bool extended) const
{
    const auto it = byKey.constFind(quint64(identifier) | (extended ? Q_UINT64_C(1) << 32 : 0));
    if (it != byKey.constEnd())
        return &messages[size_t(*it)];
    if (!extended || byParameterGroup.isEmpty())
        return nullptr;
    const auto group = byParameterGroup.constFind(j1939PgnOf(identifier));
    return group == byParameterGroup.constEnd() ? nullptr : &messages[size_t(*group)];
}

void DbcDatabase::index()
{
    byKey.clear();
    byParameterGroup.clear();
    byKey.reserve(qsizetype(messages.size()));
    for (size_t i = 0; i < messages.size(); ++i) {
        const DbcMessage &message = messages[i];
        if (message.name == IndependentSignals)
            continue; // a placeholder, never on the bus
        const quint64 key =
                quint64(message.identifier) | (message.extended ? Q_UINT64_C(1) << 32 : 0);
        if (!byKey.contains(key))
            byKey.insert(key, int(i));
        if (message.j1939 && message.extended
            && !byParameterGroup.contains(j1939PgnOf(message.identifier)))
            byParameterGroup.insert(j1939PgnOf(message.identifier), int(i));
    }
}

DbcReadResult readDbc(const QByteArray &content)
{
    Reader reader;
    if (content.contains('\0')) {
        reader.result.error = QStringLiteral("line 1: expected text (not a DBC file)");
        return reader.result;
    }
    reader.read(dbcText(content));
    if (!reader.result.error.isEmpty()) {
        DbcReadResult refused;
        refused.error = reader.result.error;
        return refused;
    }
    return std::move(reader.result);
}
