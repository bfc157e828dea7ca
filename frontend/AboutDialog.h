#pragma once

// The About window as Qt shows it: the game's About controls drawn at 15
// twips to a pixel, the credits in a read-only text box, and the OK button,
// which unloads the window.

#include "frontend/Painting.h"

#include <QDialog>

namespace lilyhops {

class frmAbout;

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    AboutDialog(frmAbout& about, const QString& creditsHtml, QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    frmAbout& about_;
    PictureStore pictures_;
};

} // namespace lilyhops
