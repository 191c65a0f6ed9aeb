#include "calfile/text_file_window.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "calfile/text_dialog.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

// The program's reports are Latin-1 (units such as "µs"); a text file from elsewhere is
// more likely UTF-8. Text that is valid UTF-8 is read as such, anything else as Latin-1,
// which cannot fail.
QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = QString::fromLatin1(bytes);
    return text;
}

}  // namespace

CTextDlg* ShowTextFileWindow(const std::string& path, QWidget* parent) {
    const QFileInfo info(ToQ(path));
    // Only a regular file: a FIFO or a device would block or never end.
    if (!info.isFile() || info.size() > kMaxViewedTextBytes) return nullptr;
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    const QByteArray bytes = file.read(kMaxViewedTextBytes);

    TextDialogRequest request;
    request.okText.clear();
    auto* window = new CTextDlg(request, parent);
    window->setWindowTitle(info.fileName());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->field()->setPlainText(
        DecodeText(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    window->SetNote(QStringLiteral("No viewer for text files was found on this desktop. "
                                   "The file is saved as:\n%1")
                        .arg(info.absoluteFilePath()));
    window->show();
    return window;
}

}  // namespace zvr
