#include "app/x11_window_hints.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace app {

namespace {

xcb_connection_t* x11Connection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

xcb_window_t nativeWindow(QWidget& window) {
    if (!window.isWindow() || !window.testAttribute(Qt::WA_WState_Created)) return XCB_WINDOW_NONE;
    return static_cast<xcb_window_t>(window.winId());
}

}  // namespace

bool requestStaysAbove(QWidget& window, bool above) {
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t native = connection ? nativeWindow(window) : xcb_window_t{XCB_WINDOW_NONE};
    if (native == XCB_WINDOW_NONE) return false;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = native;
    message.type = internAtom(connection, "_NET_WM_STATE");
    message.data.data32[0] = above ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
    message.data.data32[1] = internAtom(connection, "_NET_WM_STATE_ABOVE");
    message.data.data32[2] = 0;
    message.data.data32[3] = 1;  // the request comes from an application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    return true;
}

bool setFixedFrameHints(QWidget& window) {
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t native = connection ? nativeWindow(window) : xcb_window_t{XCB_WINDOW_NONE};
    if (native == XCB_WINDOW_NONE) return false;

    enum : std::uint32_t {
        kHintFunctions = 1u << 0,
        kHintDecorations = 1u << 1,
        kFunctionResize = 1u << 1,
        kFunctionMove = 1u << 2,
        kFunctionMinimise = 1u << 3,
        kFunctionMaximise = 1u << 4,
        kFunctionClose = 1u << 5,
        kDecorBorder = 1u << 1,
        kDecorTitle = 1u << 3,
        kDecorMenu = 1u << 4,
        kDecorMinimise = 1u << 5,
        kDecorMaximise = 1u << 6,
    };
    const std::uint32_t hints[5] = {
        kHintFunctions | kHintDecorations,
        kFunctionResize | kFunctionMove | kFunctionMinimise | kFunctionMaximise | kFunctionClose,
        kDecorBorder | kDecorTitle | kDecorMenu | kDecorMinimise | kDecorMaximise,
        0,  // input mode
        0,  // status
    };
    const xcb_atom_t atom = internAtom(connection, "_MOTIF_WM_HINTS");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, native, atom, atom, 32, 5, hints);
    xcb_flush(connection);
    return true;
}

}  // namespace app
