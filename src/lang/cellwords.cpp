#include "cellwords.h"

#include <QCoreApplication>

namespace {
// Translated in the context "CellWords"; the send cell is told apart from
// the direction "发送" by its comment.
struct Word
{
    const char *source;
    const char *comment;
};
const Word Words[] = {
    QT_TRANSLATE_NOOP3("CellWords", "接受", "direction"),
    QT_TRANSLATE_NOOP3("CellWords", "发送", "direction"),
    QT_TRANSLATE_NOOP3("CellWords", "数据帧", "frame format"),
    QT_TRANSLATE_NOOP3("CellWords", "远程帧", "frame format"),
    QT_TRANSLATE_NOOP3("CellWords", "标准帧", "frame type"),
    QT_TRANSLATE_NOOP3("CellWords", "扩展帧", "frame type"),
    QT_TRANSLATE_NOOP3("CellWords", "发送", "list send cell"),
};
} // namespace

QString cellWordSource(CellWord word)
{
    return QString::fromUtf8(Words[int(word)].source);
}

CellWords::CellWords()
{
    for (int i = 0; i < Count; ++i)
        shownWords[i] = QCoreApplication::translate("CellWords", Words[i].source, Words[i].comment);
}

QString CellWords::shown(const QString &fileText, CellWord word) const
{
    return fileText == cellWordSource(word) ? (*this)[word] : fileText;
}

QString CellWords::source(const QString &cellText, CellWord word) const
{
    return cellText == (*this)[word] ? cellWordSource(word) : cellText;
}
