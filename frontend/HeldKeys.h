#pragma once

// A held key must act once. The X server repeats a held key as a release and
// a press with the same time stamp, and Qt marks only the repeats whose press
// it has already read as auto-repeat; an unmarked release would re-arm the
// game's key latch and let the held key act again and again.
//
// The cure, where the server offers it, is XKB's detectable auto-repeat: the
// server then sends a held key as presses alone and one release when the key
// comes up, which is what the latch expects. Where it is not to be had, the
// playfield holds back each unmarked release until it is clear that no press
// of the same key with the same time stamp follows. Wayland repeats keys in
// the client, and Qt marks both halves of those repeats.

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class QKeyEvent;

namespace lilyhops {

// Asks the X server for detectable auto-repeat on Qt's own connection.
// Returns whether it is on; false on any other platform.
bool useDetectableAutoRepeat();

// Tells a repeat's release from a real one by the press that follows it.
class ReleaseHoldBack : public QObject {
    Q_OBJECT
  public:
    // `deliver` gets each real release, with the key code the game knows.
    explicit ReleaseHoldBack(std::function<void(int code)> deliver, QObject* parent = nullptr);

    // A release of `key` at `timestamp`: held back for a moment.
    void release(int key, quint64 timestamp, int code);
    // A press: if it is the repeat of the release held back, that release is
    // dropped; otherwise the release is delivered first, so order is kept.
    void press(int key, quint64 timestamp);
    // Delivers a release still held back (the focus leaves, say).
    void flush();

    // Far longer than the gap between the two halves of a repeat, which the
    // server sends together, and far shorter than letting a key go and
    // pressing it again.
    static constexpr int kWaitMs = 30;

  private:
    struct Held {
        int key;
        quint64 timestamp;
        int code;
    };
    std::function<void(int)> deliver_;
    std::optional<Held> held_;
    QTimer timer_;
};

} // namespace lilyhops
