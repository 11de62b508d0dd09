#pragma once

#include <QColor>
#include <QString>

// Texts, fonts and the colour rule of the transfer panel on the first tab
// ("入力印刷"). The window owns the widgets; it takes their texts from here.
namespace TransferPanel {

inline const QString kCaption = QStringLiteral("テキスト転送"); // Label1
inline const QString kMemoHint = QStringLiteral(
    "ここにお届け先の住所、お名前等のテキストを貼り付けると、お届け先欄に転送が可能です"
    "　(15行以内に収まるようにして下さい)"); // Memo1 tooltip
inline const QString kMemoHelp =
    QStringLiteral("テキストを貼り付けることができます　７行以内に収めてください"); // help panel on entering Memo1
// The key that pastes the clipboard into the memo and transfers it; added to
// the memo's hint and its description for screen readers.
inline const QString kPasteTransferKeyHelp =
    QStringLiteral("Ctrl+Shift+V：クリップボードから貼り付けて転送");
inline const QString kMemoInstruction = QStringLiteral(
    "↑↑ここクリップボードから貼り付けが、可能です　(　15行以内に収めてください　)↑↑"); // Label8
inline const QString kTransferHint =
    QStringLiteral("お届け先にテキストデータを転送します"); // BitBtn_1 (picture, no caption)
inline const QString kClearHint =
    QStringLiteral("グレーの貼り付けメモをクリアします"); // BitBtn_MemoCLS
inline const QString kClearCaption = QStringLiteral("Memoｸﾘｱ");         // Label12
inline const QString kNothingToTransfer = QStringLiteral("転送テキストがありません"); // notice, OK button

// Memo1: no word wrap, not a tab stop, "ＭＳ Ｐゴシック" at 13 pixels.
inline const QString kMemoFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
inline constexpr int kMemoFontPixelSize = 13;

// Silver while the memo's text is empty (not even a line break), the
// window colour otherwise. Applied after every change of the memo's text.
inline const QColor kEmptyMemoColor = QColor(0xC0, 0xC0, 0xC0);

inline QColor memoColor(const QString &memoText, const QColor &windowColor)
{
    return memoText.isEmpty() ? kEmptyMemoColor : windowColor;
}

} // namespace TransferPanel
