// The desktop clock's background skins, its window icon and its hourly chime.
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

#include "artwork.h"
#include "image_formats.h"

namespace dezu::assets::generator {
namespace {

const QColor kOutline(51, 51, 51);

struct Skin {
    QString file;
    QSize size;
    QPoint panel;  // top-left of the black 110 x 25 digit area
};

using DrawSkin = void (*)(QPainter&, const Skin&);

// The figure on a pure white ground.
QImage draw_skin(const Skin& s, DrawSkin draw) {
    QImage image(s.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, s);
    p.end();
    return image;
}

// Maps every pixel to the palette. Pure white is the outside of the figure
// (holes between arms included): the window takes its shape from it.
QImage finish_skin(QImage image, QPoint panel, const QVector<QRgb>& palette) {
    QPainter p(&image);
    p.fillRect(QRect(panel, QSize(110, 25)), Qt::black);
    p.end();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, palette[nearest_index(palette, image.pixel(x, y))]);
    return image;
}

QPainter& pen(QPainter& p, QColor fill, double width = 1.6, QColor line = kOutline) {
    p.setPen(QPen(line, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    return p;
}

// The board that carries the digits: a rounded frame around the black area.
void plaque(QPainter& p, QPoint panel, int margin, QColor frame) {
    const QRectF outer(panel.x() - margin + 0.5, panel.y() - margin + 0.5, 110 + 2 * margin - 1,
                       25 + 2 * margin - 1);
    pen(p, frame, 1.4).drawRoundedRect(outer, margin + 2, margin + 2);
    p.setPen(QPen(frame.lighter(135), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(outer.adjusted(1.5, 1.5, -1.5, -1.5), margin, margin);
}

void eye(QPainter& p, QPointF at, double r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 34, 34));
    p.drawEllipse(at, r, r * 1.2);
    p.setBrush(QColor(242, 242, 242));
    p.drawEllipse(at + QPointF(-r * 0.35, -r * 0.45), r * 0.38, r * 0.38);
}

void cheeks(QPainter& p, QPointF left, QPointF right, double r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 153, 153));
    p.drawEllipse(left, r * 1.3, r * 0.8);
    p.drawEllipse(right, r * 1.3, r * 0.8);
}

void smile(QPainter& p, QPointF centre, double w, double width = 1.5) {
    p.setPen(QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - w / 2, centre.y() - w / 3, w, w / 1.5), 200 * 16, 140 * 16);
}

// "巴比豆": a round bean sprout baby sitting on the board.
void bean_skin(QPainter& p, const Skin& s) {
    // Sprout
    pen(p, QColor(102, 204, 51), 1.3);
    QPainterPath leaf1;
    leaf1.moveTo(60, 22);
    leaf1.cubicTo(46, 4, 30, 10, 30, 12);
    leaf1.cubicTo(38, 24, 52, 26, 60, 22);
    p.drawPath(leaf1);
    QPainterPath leaf2;
    leaf2.moveTo(60, 22);
    leaf2.cubicTo(70, 2, 88, 4, 90, 6);
    leaf2.cubicTo(84, 22, 70, 26, 60, 22);
    p.drawPath(leaf2);
    // Body
    pen(p, QColor(255, 204, 102), 1.8).drawEllipse(QRectF(14, 20, 92, 94));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 153));
    p.drawEllipse(QRectF(30, 62, 60, 44));
    eye(p, {44, 58}, 5);
    eye(p, {76, 58}, 5);
    cheeks(p, {34, 72}, {86, 72}, 5);
    smile(p, {60, 76}, 16);
    // Arms reaching for the board
    pen(p, QColor(255, 204, 102), 1.6);
    p.drawEllipse(QRectF(6, 96, 18, 14));
    p.drawEllipse(QRectF(96, 96, 18, 14));
    plaque(p, s.panel, 4, QColor(153, 102, 51));
}

// "米老鼠": a grey field mouse with pink ears holding the board over its head.
void mouse_skin(QPainter& p, const Skin& s) {
    // Tail
    p.setPen(QPen(QColor(204, 102, 153), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath tail;
    tail.moveTo(84, 126);
    tail.cubicTo(112, 130, 124, 112, 114, 98);
    tail.cubicTo(108, 90, 118, 80, 124, 84);
    p.drawPath(tail);
    // Body and feet
    pen(p, QColor(153, 153, 153)).drawEllipse(QRectF(40, 100, 48, 34));
    pen(p, QColor(255, 153, 204), 1.2);
    p.drawEllipse(QRectF(40, 128, 18, 9));
    p.drawEllipse(QRectF(70, 128, 18, 9));
    // Arms up to the board
    pen(p, QColor(153, 153, 153), 1.4);
    p.drawRoundedRect(QRectF(22, 34, 10, 40), 5, 5);
    p.drawRoundedRect(QRectF(97, 34, 10, 40), 5, 5);
    // Ears: tall ovals, pink inside
    pen(p, QColor(153, 153, 153)).drawEllipse(QRectF(22, 46, 26, 34));
    pen(p, QColor(153, 153, 153)).drawEllipse(QRectF(81, 46, 26, 34));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 153, 204));
    p.drawEllipse(QRectF(27, 52, 16, 24));
    p.drawEllipse(QRectF(86, 52, 16, 24));
    // Head with a pointed snout
    pen(p, QColor(170, 170, 170));
    QPainterPath head;
    head.addEllipse(QRectF(38, 60, 53, 46));
    p.drawPath(head);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(204, 204, 204));
    p.drawEllipse(QRectF(50, 82, 29, 20));
    eye(p, {55, 78}, 3.6);
    eye(p, {74, 78}, 3.6);
    pen(p, QColor(255, 102, 153), 1).drawEllipse(QPointF(64.5, 88), 3.4, 2.6);
    p.setPen(QPen(QColor(85, 85, 85), 0.9));
    for (int side : {-1, 1})
        for (int k = -1; k <= 1; ++k)
            p.drawLine(QPointF(64.5 + side * 6, 91 + k), QPointF(64.5 + side * 22, 88 + k * 4));
    smile(p, {64.5, 95}, 8, 1.1);
    plaque(p, s.panel, 5, QColor(204, 51, 51));
    // Hands on the board's lower edge
    pen(p, QColor(255, 153, 204), 1.2);
    p.drawEllipse(QRectF(20, 30, 14, 10));
    p.drawEllipse(QRectF(95, 30, 14, 10));
}

// "史努比": a golden puppy with floppy brown ears and a red collar.
void dog_skin(QPainter& p, const Skin& s) {
    const QColor coat(204, 153, 102), ear(102, 51, 0);
    // Body and paws
    pen(p, coat).drawRoundedRect(QRectF(32, 100, 56, 38), 18, 18);
    pen(p, QColor(255, 204, 153), 1.2);
    p.drawEllipse(QRectF(34, 124, 20, 14));
    p.drawEllipse(QRectF(66, 124, 20, 14));
    // Head
    pen(p, coat).drawEllipse(QRectF(26, 42, 68, 62));
    // Ears hang beside the face
    pen(p, ear);
    QPainterPath ear_path;
    ear_path.moveTo(36, 50);
    ear_path.cubicTo(14, 48, 10, 80, 20, 94);
    ear_path.cubicTo(28, 98, 36, 80, 40, 62);
    ear_path.closeSubpath();
    p.drawPath(ear_path);
    p.drawPath(QTransform(-1, 0, 0, 1, 120, 0).map(ear_path));  // the other ear, mirrored
    // Muzzle, eyes, nose, tongue
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 204, 153));
    p.drawEllipse(QRectF(42, 74, 36, 26));
    p.setBrush(QColor(153, 102, 51));
    p.drawEllipse(QRectF(64, 56, 14, 12));  // a brown patch round one eye
    eye(p, {49, 64}, 3.8);
    eye(p, {71, 63}, 3.8);
    pen(p, QColor(34, 34, 34), 1).drawEllipse(QRectF(54, 76, 12, 8));
    p.setPen(QPen(kOutline, 1.2));
    p.drawLine(QPointF(60, 84), QPointF(60, 88));
    smile(p, {60, 88}, 14, 1.2);
    pen(p, QColor(255, 102, 102), 1).drawRoundedRect(QRectF(56, 90, 8, 8), 4, 4);
    // Collar and tag
    pen(p, QColor(204, 0, 0), 1.2).drawRoundedRect(QRectF(38, 100, 44, 6), 3, 3);
    pen(p, QColor(255, 204, 0), 1).drawEllipse(QPointF(60, 110), 4, 4);
    plaque(p, s.panel, 4, QColor(51, 102, 153));
}

// "小女孩": a girl with pigtails and pink bows leaning on the board.
void girl_skin(QPainter& p, const Skin& s) {
    const QColor hair(102, 51, 0), skin(255, 204, 153), bow(255, 102, 153);
    // Pigtails
    pen(p, hair);
    p.drawEllipse(QRectF(22, 22, 28, 36));
    p.drawEllipse(QRectF(103, 22, 28, 36));
    // Bows
    pen(p, bow, 1.2);
    for (double cx : {44.0, 109.0}) {
        QPolygonF bowl({{cx, 22}, {cx - 9, 15}, {cx - 9, 29}});
        QPolygonF bowr({{cx, 22}, {cx + 9, 15}, {cx + 9, 29}});
        p.drawPolygon(bowl);
        p.drawPolygon(bowr);
        p.drawEllipse(QPointF(cx, 22), 2.6, 2.6);
    }
    // Face
    pen(p, skin).drawEllipse(QRectF(46, 8, 61, 58));
    // Hair cap with a scalloped fringe
    pen(p, hair);
    QPainterPath cap;
    cap.addEllipse(QRectF(45, 5, 63, 60));
    QPainterPath top;
    top.addRect(QRectF(0, 0, 153, 27));
    for (int i = 0; i < 5; ++i) top.addEllipse(QRectF(48 + i * 11.5, 20, 11.5, 12));
    p.drawPath(cap.intersected(top.simplified()));
    eye(p, {66, 42}, 3.8);
    eye(p, {87, 42}, 3.8);
    cheeks(p, {60, 52}, {93, 52}, 3.6);
    smile(p, {76.5, 55}, 10, 1.3);
    // Dress collar peeking above the board
    pen(p, QColor(255, 153, 204), 1.2).drawRoundedRect(QRectF(58, 58, 37, 8), 3, 3);
    plaque(p, s.panel, 5, QColor(204, 102, 153));
    // Hands resting on the board
    pen(p, skin, 1.2);
    p.drawEllipse(QRectF(34, 57, 16, 11));
    p.drawEllipse(QRectF(103, 57, 16, 11));
}

// "鱼骨头": a fish skeleton over a bone-shaped board.
void fish_bone_skin(QPainter& p, const Skin&) {
    const QColor bone(255, 255, 204), line(153, 102, 51);
    // Strings holding the board
    p.setPen(QPen(line, 1.4));
    p.drawLine(QPointF(40, 30), QPointF(40, 54));
    p.drawLine(QPointF(98, 30), QPointF(98, 54));
    // Ribs: an outline stroke, then the bone over it
    for (const QPen& stroke : {QPen(line, 3.6, Qt::SolidLine, Qt::RoundCap),
                               QPen(bone, 1.8, Qt::SolidLine, Qt::RoundCap)}) {
        p.setPen(stroke);
        for (int i = 0; i < 5; ++i) {
            const double x = 36 + i * 14;
            const double reach = 15 - i * 0.6;
            p.drawLine(QPointF(x, 28), QPointF(x + 6, 28 - reach));
            p.drawLine(QPointF(x, 28), QPointF(x + 6, 28 + reach));
        }
    }
    // Spine
    pen(p, bone, 1.3, line).drawRoundedRect(QRectF(18, 25, 92, 6), 3, 3);
    // Tail fin
    pen(p, bone, 1.3, line);
    p.drawPolygon(QPolygonF({{22, 28}, {4, 12}, {10, 28}, {4, 44}}));
    // Head
    QPainterPath head;
    head.moveTo(104, 10);
    head.cubicTo(130, 8, 140, 22, 137, 28);
    head.cubicTo(140, 34, 130, 48, 104, 46);
    head.cubicTo(110, 36, 110, 20, 104, 10);
    p.drawPath(head);
    p.setPen(QPen(line, 1.2));
    p.drawLine(QPointF(128, 30), QPointF(136, 30));
    p.setBrush(QColor(51, 51, 51));
    p.drawEllipse(QPointF(122, 22), 3.4, 3.4);
    // The board is a bone: knobs at both ends
    pen(p, bone, 1.3, line);
    for (double x : {7.0, 133.0})
        for (double y : {61.0, 80.0}) p.drawEllipse(QPointF(x, y), 7, 7);
    p.drawRoundedRect(QRectF(6, 53.5, 128, 34), 8, 8);
    p.setPen(Qt::NoPen);
    for (double x : {7.0, 133.0})
        for (double y : {61.0, 80.0}) p.drawEllipse(QPointF(x, y), 6.2, 6.2);
}

// "无背景": only a thin frame round the digits.
void frame_skin(QPainter& p, const Skin& s) {
    p.fillRect(QRect(QPoint(0, 0), s.size), QColor(102, 102, 102));
}

// The clock window's icon: a red alarm clock.
QImage clock_icon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QColor red(214, 40, 40), dark(110, 16, 16);
    // Bells and legs
    pen(p, QColor(240, 190, 40), 1.2, dark);
    p.drawChord(QRectF(2, 2, 12, 12), 30 * 16, 180 * 16);
    p.drawChord(QRectF(18, 2, 12, 12), -30 * 16, 180 * 16);
    p.setPen(QPen(dark, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 26), QPointF(6, 30));
    p.drawLine(QPointF(23, 26), QPointF(26, 30));
    // Case and face
    pen(p, red, 1.4, dark).drawEllipse(QRectF(4, 5, 24, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 236));
    p.drawEllipse(QRectF(7, 8, 18, 18));
    p.setPen(QPen(dark, 1.1, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(16, 17);
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6, r0 = i % 3 ? 7.6 : 6.6;
        p.drawLine(c + QPointF(std::sin(a) * r0, -std::cos(a) * r0),
                   c + QPointF(std::sin(a) * 8.3, -std::cos(a) * 8.3));
    }
    p.setPen(QPen(QColor(40, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, c + QPointF(0, -5.5));
    p.drawLine(c, c + QPointF(4, 1.5));
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(c, 1.3, 1.3);
    return image;
}

// Two soft bell strokes, a major third apart, dying away: 8-bit mono
// 11025 Hz, 9981 samples.
QByteArray chime_wav() {
    constexpr int kRate = 11025, kSamples = 9981;
    QByteArray samples;
    samples.reserve(kSamples);
    struct Stroke {
        double start, freq;
    };
    const Stroke strokes[] = {{0.0, 1318.5}, {0.28, 1046.5}};
    for (int n = 0; n < kSamples; ++n) {
        const double t = double(n) / kRate;
        double v = 0;
        for (const auto& s : strokes) {
            const double u = t - s.start;
            if (u < 0) continue;
            const double attack = std::min(1.0, u / 0.004);
            const double w = 2 * M_PI * s.freq * u;
            v += attack * (std::exp(-u / 0.30) * std::sin(w) +
                           0.35 * std::exp(-u / 0.12) * std::sin(2.76 * w) +
                           0.12 * std::exp(-u / 0.05) * std::sin(5.4 * w));
        }
        const double tail = std::min(1.0, double(kSamples - n) / 600.0);  // no click at the end
        const int s = int(std::lround(128 + 58 * v * tail));
        samples.append(char(std::clamp(s, 1, 255)));
    }
    QByteArray out("RIFF");
    put_u32(out, 36 + kSamples + 1);
    out += "WAVEfmt ";
    put_u32(out, 16);
    put_u16(out, 1);
    put_u16(out, 1);
    put_u32(out, kRate);
    put_u32(out, kRate);
    put_u16(out, 1);
    put_u16(out, 8);
    out += "data";
    put_u32(out, kSamples);
    out += samples;
    out.append('\0');  // pad byte of the odd-sized chunk
    return out;
}

}  // namespace

Artwork clock_artwork() {
    const auto palette = standard_palette();
    const struct {
        Skin skin;
        DrawSkin draw;
    } skins[] = {
        {{"skin_bean.bmp", {120, 144}, {5, 113}}, bean_skin},
        {{"skin_mouse.bmp", {129, 139}, {6, 6}}, mouse_skin},
        {{"skin_dog.bmp", {120, 140}, {5, 5}}, dog_skin},
        {{"skin_girl.bmp", {153, 98}, {6, 67}}, girl_skin},
        {{"skin_fish_bone.bmp", {140, 98}, {15, 58}}, fish_bone_skin},
        {{"skin_none.bmp", {112, 27}, {1, 1}}, frame_skin},
    };
    Artwork files = clock_digit_artwork();
    for (const auto& s : skins)
        files.push_back(
            {s.skin.file,
             bmp8(finish_skin(draw_skin(s.skin, s.draw), s.skin.panel, palette), palette)});
    QVector<QPair<QSize, QByteArray>> icons;
    for (int size : {32, 48, 64}) {
        const QImage icon = clock_icon(size);
        icons.push_back({icon.size(), icon_dib_24bit(icon)});
    }
    files.push_back({QStringLiteral("clock.ico"), ico_file(icons, 24)});
    files.push_back({QStringLiteral("chime.wav"), chime_wav()});
    return files;
}

}  // namespace dezu::assets::generator
