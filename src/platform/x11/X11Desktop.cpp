#include "X11Desktop.h"

#include "XcbReply.h"

#include <QByteArray>
#include <QGuiApplication>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstring>

namespace {
struct Server
{
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
};

std::optional<Server> server()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(x11->connection())).data;
    if (!screen)
        return std::nullopt;
    return Server{x11->connection(), screen->root};
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const QByteArray bytes(name);
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(bytes.size()), bytes.constData()), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property's bytes, at most 64 KiB of them; empty when it is missing or of another type.
QByteArray property(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    if (name == XCB_ATOM_NONE)
        return {};
    const XcbReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 16384), nullptr));
    if (!reply || reply->type != type)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}
} // namespace

namespace X11Desktop {

std::optional<quint32> randrOutputID(const QString &outputName)
{
    const std::optional<Server> x = server();
    if (!x)
        return std::nullopt;
    const XcbReply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            x->connection, xcb_randr_get_screen_resources_current(x->connection, x->root), nullptr));
    if (!resources)
        return std::nullopt;
    const xcb_randr_output_t *outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        const XcbReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            x->connection, xcb_randr_get_output_info(x->connection, outputs[i], resources->config_timestamp), nullptr));
        if (!info)
            continue;
        const QByteArray name(reinterpret_cast<const char *>(xcb_randr_get_output_info_name(info.get())),
                              xcb_randr_get_output_info_name_length(info.get()));
        if (QString::fromUtf8(name) == outputName)
            return outputs[i];
    }
    return std::nullopt;
}

std::optional<QString> activeWindowApplicationName()
{
    const std::optional<Server> x = server();
    if (!x)
        return std::nullopt;
    const QByteArray active =
        property(x->connection, x->root, atom(x->connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.size() < int(sizeof(xcb_window_t)))
        return std::nullopt;
    xcb_window_t window = 0;
    std::memcpy(&window, active.constData(), sizeof window);
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;
    // WM_CLASS holds two NUL-terminated strings, the instance name and then the class name.
    const QList<QByteArray> wmClass = property(x->connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    if (wmClass.size() >= 2 && !wmClass.at(1).isEmpty())
        return QString::fromLatin1(wmClass.at(1));
    const QByteArray title =
        property(x->connection, window, atom(x->connection, "_NET_WM_NAME"), atom(x->connection, "UTF8_STRING"));
    if (!title.isEmpty())
        return QString::fromUtf8(title);
    const QByteArray name = property(x->connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
    if (!name.isEmpty())
        return QString::fromLatin1(name);
    return std::nullopt;
}

} // namespace X11Desktop
