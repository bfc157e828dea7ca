#include "frontend/AboutDialog.h"

#include "about/frmAbout.h"
#include "frontend/FlatButton.h"

#include <QPainter>
#include <QTextBrowser>

namespace lilyhops {

namespace {
QRect pixels(float left, float top, float width, float height) {
    return QRect(int(left / kTwipsPerPixel), int(top / kTwipsPerPixel), int(width / kTwipsPerPixel),
                 int(height / kTwipsPerPixel));
}
} // namespace

AboutDialog::AboutDialog(frmAbout& about, const QString& creditsHtml, QWidget* parent)
    : QDialog(parent), about_(about) {
    installFontSubstitutes();
    setWindowTitle(QString::fromStdString(about.Caption));
    setFixedSize(int(about.ClientWidth / kTwipsPerPixel), int(about.ClientHeight / kTwipsPerPixel));
    setModal(true);

    auto* credits = new QTextBrowser(this);
    const RichTextArea& rtb = about.rtbOther;
    credits->setGeometry(pixels(rtb.Left, rtb.Top, rtb.Width, rtb.Height));
    credits->setFont(QFont(QString::fromStdString(rtb.font.family)));
    credits->setHtml(creditsHtml);

    auto* ok = new FlatButton(QString::fromStdString(about.cmdOK.Caption),
                              fromBgr(about.cmdOK.BackColor), this);
    ok->setObjectName("cmdOK");
    ok->setGeometry(
        pixels(about.cmdOK.Left, about.cmdOK.Top, about.cmdOK.Width, about.cmdOK.Height));
    ok->setFont(fontOf(about.cmdOK.font));
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, [this] {
        about_.cmdOK_Click();
        accept();
    });
}

void AboutDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromBgr(about_.BackColor));
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    paintAll(p, about_.drawingOrder(), pictures_);
}

} // namespace lilyhops
