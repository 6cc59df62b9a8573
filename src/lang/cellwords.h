#ifndef CELLWORDS_H
#define CELLWORDS_H

#include <QString>

// The words the data view and the lists write into cells. They show in the
// UI language; the files the program reads back keep the source words, so a
// file saved under one language loads the same under the other.
enum class CellWord {
    Received, // direction
    Sent,
    DataFrame, // frame format
    RemoteFrame,
    StandardFrame, // frame type
    ExtendedFrame,
    SendCell, // the label cell of a manual or auto-send row
};

// The source (Chinese) word.
QString cellWordSource(CellWord word);

// The words in the language installed when it is built.
class CellWords
{
public:
    CellWords();

    const QString &operator[](CellWord word) const { return shownWords[int(word)]; }
    // A cell text read from a file: `word` shown in the UI language when the
    // text is its source word, any other text as it is.
    QString shown(const QString &fileText, CellWord word) const;
    // A cell text to write to a file: the source word when the text is `word`
    // as shown, any other text as it is.
    QString source(const QString &cellText, CellWord word) const;

private:
    static constexpr int Count = int(CellWord::SendCell) + 1;
    QString shownWords[Count];
};

#endif // CELLWORDS_H
