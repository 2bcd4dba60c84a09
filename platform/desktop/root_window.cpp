#include "platform/desktop/root_window.h"

#include <xcb/xcb.h>

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "platform/desktop/desktop_setter.h"
#include "platform/desktop/picture_file.h"
#include "platform/ui/x11_atoms.h"

namespace dezu::desktop {

namespace {

// The screen-sized picture that the root window shows for the style.
QImage root_picture(const QImage& picture, int width, int height, int style) {
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    if (style == kCentre) {
        painter.drawImage((width - picture.width()) / 2, (height - picture.height()) / 2, picture);
    } else if (style == kTile) {
        painter.fillRect(canvas.rect(), QBrush(picture));
    } else {
        // Area-averaged, so that fine detail does not turn into moiré.
        painter.drawImage(
            0, 0, picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return canvas;
}

std::optional<xcb_pixmap_t> pixmap_property(xcb_connection_t* c, xcb_window_t root,
                                            xcb_atom_t atom) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    std::optional<xcb_pixmap_t> pixmap;
    if (reply && reply->type == XCB_ATOM_PIXMAP && xcb_get_property_value_length(reply) == 4)
        pixmap = *static_cast<xcb_pixmap_t*>(xcb_get_property_value(reply));
    std::free(reply);
    return pixmap;
}

}  // namespace

bool set_root_window_wallpaper(const std::string& path, int style, const QImage* given) {
    if (!std::getenv("DISPLAY")) return false;
    QImage picture;
    if (!path.empty()) {
        picture = given && !given->isNull() ? *given : read_picture(path);
        if (picture.isNull()) return false;
    }
    int screen_number = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen_number && it.rem; ++i) xcb_screen_next(&it);
    const xcb_screen_t* screen = it.rem ? it.data : nullptr;
    const xcb_setup_t* setup = xcb_get_setup(c);
    // The picture's memory goes out as it is: 32 bits a pixel, low byte first.
    bool direct_pixels = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); screen && f.rem; xcb_format_next(&f))
        if (f.data->depth == screen->root_depth && f.data->bits_per_pixel == 32)
            direct_pixels = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (!screen || (screen->root_depth != 24 && screen->root_depth != 32) || !direct_pixels) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = screen->root;
    const xcb_atom_t root_pmap = dezu::ui::x11_atom(c, "_XROOTPMAP_ID");
    const xcb_atom_t esetroot_pmap = dezu::ui::x11_atom(c, "ESETROOT_PMAP_ID");

    // The previous setter's pixmap is freed only when both names agree on it:
    // otherwise the client behind ESETROOT_PMAP_ID may be a live program.
    const std::optional<xcb_pixmap_t> named = pixmap_property(c, root, root_pmap);
    const std::optional<xcb_pixmap_t> esetroot = pixmap_property(c, root, esetroot_pmap);
    if (named && esetroot && *named == *esetroot) xcb_kill_client(c, *esetroot);

    if (path.empty()) {
        const uint32_t black = screen->black_pixel;
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXEL, &black);
        xcb_delete_property(c, root, root_pmap);
        xcb_delete_property(c, root, esetroot_pmap);
    } else {
        const int width = screen->width_in_pixels, height = screen->height_in_pixels;
        const QImage canvas = root_picture(picture, width, height, style);
        picture = QImage();
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, screen->root_depth, pixmap, root, width, height);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, pixmap, 0, nullptr);
        // Sent in strips that each fit in one request.
        const std::size_t max_bytes = std::size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
        const int rows = std::max<int>(1, int(max_bytes / (std::size_t(width) * 4)));
        for (int top = 0; top < height; top += rows) {
            const int n = std::min(rows, height - top);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width, n, 0, top, 0,
                          screen->root_depth, uint32_t(width) * 4 * n, canvas.constScanLine(top));
        }
        xcb_free_gc(c, gc);
        for (const xcb_atom_t a : {root_pmap, esetroot_pmap})
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, a, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        xcb_change_window_attributes(c, root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    }
    xcb_clear_area(c, 0, root, 0, 0, 0, 0);
    // A round trip: the server has done all of the above before we go, so
    // whoever looks next sees the new background.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const bool ok = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return ok;
}

}  // namespace dezu::desktop
