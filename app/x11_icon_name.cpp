#include "app/x11_icon_name.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>

namespace t2j {

void SetX11IconName(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  xcb_connection_t* connection = x11->connection();
  constexpr char kUtf8String[] = "UTF8_STRING";
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, sizeof kUtf8String - 1, kUtf8String), nullptr);
  if (reply == nullptr) return;
  const xcb_atom_t utf8_string = reply->atom;
  std::free(reply);
  const QByteArray name = window.windowIconText().toUtf8();
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()),
                      XCB_ATOM_WM_ICON_NAME, utf8_string, 8, static_cast<uint32_t>(name.size()),
                      name.constData());
  xcb_flush(connection);
}

void SetX11WindowClass(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  static constexpr char kClass[] = "text2jpg\0text2jpg";  // instance, class, each NUL-ended
  xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE,
                      static_cast<xcb_window_t>(window.winId()), XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                      8, sizeof kClass, kClass);
  xcb_flush(x11->connection());
}

}  // namespace t2j
