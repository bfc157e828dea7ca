#include "frontend/HeldKeys.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <utility>

#ifdef LILYHOPS_HAVE_XCB_XKB
// The XKB header names a member `explicit`.
#define explicit dont_use_cxx_explicit
#include <xcb/xkb.h>
#undef explicit
#endif

namespace lilyhops {

bool useDetectableAutoRepeat() {
#ifdef LILYHOPS_HAVE_XCB_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t* connection = x11->connection();
    // Qt has set up XKB on its connection; without XKB the request fails.
    const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    auto cookie =
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0);
    xcb_generic_error_t* error = nullptr;
    xcb_xkb_per_client_flags_reply_t* reply =
        xcb_xkb_per_client_flags_reply(connection, cookie, &error);
    const bool on = reply && (reply->value & flag);
    std::free(reply);
    std::free(error);
    return on;
#else
    return false;
#endif
}

ReleaseHoldBack::ReleaseHoldBack(std::function<void(int code)> deliver, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReleaseHoldBack::flush);
}

void ReleaseHoldBack::release(int key, quint64 timestamp, int code) {
    flush();
    held_ = Held{key, timestamp, code};
    timer_.start(kWaitMs);
}

void ReleaseHoldBack::press(int key, quint64 timestamp) {
    if (held_ && held_->key == key && held_->timestamp == timestamp) {
        held_.reset(); // half of a repeat: the key is still down
        timer_.stop();
        return;
    }
    flush();
}

void ReleaseHoldBack::flush() {
    timer_.stop();
    if (auto held = std::exchange(held_, std::nullopt))
        deliver_(held->code);
}

} // namespace lilyhops
