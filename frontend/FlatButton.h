#pragma once

// A command button drawn as the classic desktop drew one with a colour of
// its own: a flat face in its back colour, a raised bevel (sunken while
// pressed), a dark frame when it is the default button and a dotted focus
// rectangle, with no gradient. The desktop styles shade a button's colour
// into a gradient, which is not how the About window's OK button looks.

#include <QColor>
#include <QPushButton>

namespace lilyhops {

class FlatButton : public QPushButton {
    Q_OBJECT
  public:
    FlatButton(const QString& text, const QColor& face, QWidget* parent = nullptr);

    QColor face() const { return face_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor face_;
};

} // namespace lilyhops
