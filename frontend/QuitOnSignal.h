#pragma once

// Ends the game the ordinary way when the program is asked to stop by a
// signal (Ctrl+C in the terminal, a logout, `kill`), so that a recording
// still gets its final state. The signal handler only writes a byte to a
// socket; Qt reads it on the window's thread and runs `quit` there.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace lilyhops {

class QuitOnSignal : public QObject {
    Q_OBJECT
  public:
    // Catches SIGINT, SIGTERM and SIGHUP. Only one may exist at a time.
    explicit QuitOnSignal(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitOnSignal() override;

  private:
    std::function<void()> quit_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace lilyhops
