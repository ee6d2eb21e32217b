#include "ui/image_drawing.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

#include "dbx/record.h"
#include "items/image_indexes.h"

namespace vendrel::ui {

namespace {

// A fill and the darker line drawn around it (ARGB).
struct Tone {
  QRgb fill;
  QRgb line;
};

constexpr Tone kFolderFront{0xFFFFD46A, 0xFFBF872A};
constexpr Tone kFolderBack{0xFFF2B443, 0xFFBF872A};
constexpr Tone kPaper{0xFFFFFFFF, 0xFF6B7789};
constexpr Tone kEnvelope{0xFFEEF4FD, 0xFF3E6598};
constexpr Tone kFlap{0xFFC9DCF6, 0xFF3E6598};
constexpr Tone kGhost{0x80FFFFFF, 0xFF8793A3};
constexpr Tone kBlue{0xFF4A8BDF, 0xFF2A5EA6};
constexpr Tone kBlueTop{0xFF9CC3F4, 0xFF2A5EA6};
constexpr Tone kGreen{0xFF3DAA68, 0xFF237547};
constexpr Tone kGreenPale{0xFFFFFFFF, 0xFF237547};
constexpr Tone kSlate{0xFF64748B, 0xFF3A4657};
constexpr Tone kTeal{0xFF1FA5B3, 0xFF156F79};
constexpr Tone kTealPale{0xFFC4EDF1, 0xFF156F79};
constexpr Tone kPurple{0xFF8B5CF6, 0xFF5B34B6};
constexpr Tone kCyan{0xFF3AA6E6, 0xFF1D6A9E};
constexpr Tone kOrange{0xFFF28C28, 0xFFB05E10};
constexpr Tone kRed{0xFFE5484D, 0xFFA82A2E};
constexpr Tone kGold{0xFFF8C133, 0xFFB5830C};
constexpr Tone kGrey{0xFFE2E6EB, 0xFFA3ACB8};
constexpr Tone kSteel{0xFFD9DEE5, 0xFF6B7789};
constexpr Tone kBoard{0xFFCC8E4B, 0xFF87582A};
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kTextLine = 0xFFA7B1BE;
constexpr QRgb kLed = 0xFF4ADE80;

// One badge colour per special folder type, so that the numeral is not the only cue.
constexpr QRgb kTypeColours[] = {0xFF2F7BE8, 0xFF0E9F9A, 0xFF2E9E4F, 0xFFF08A24,
                                 0xFF8B5CF6, 0xFFD2449F, 0xFF9A6A35, 0xFF475569};

// 3 x 5 pixel glyphs for the badges: numerals stay legible at 16 px only when they sit on the pixel grid.
constexpr std::string_view kDigits[] = {".X.XX..X..X.XXX", "XXX..XXXXX..XXX", "XXX..X.XX..XXXX",
                                        "X.XX.XXXX..X..X", "XXXX..XXX..XXXX", ".XXX..XXXX.XXXX",
                                        "XXX..X.X..X..X.", "XXXX.XXXXX.XXXX"};
constexpr std::string_view kQuestion = "XX...X.X.....X.";
constexpr std::string_view kMinus = "......XXX......";

// The outline of a box covering whole units runs through the middle of its border pixels.
QRectF Inset(const QRectF& rect) {
  return rect.adjusted(0.5, 0.5, -0.5, -0.5);
}

QPainterPath Poly(std::initializer_list<QPointF> points, bool closed = true) {
  QPainterPath path;
  path.addPolygon(QPolygonF(points));
  if (closed) path.closeSubpath();
  return path;
}

QPainterPath RoundRect(const QRectF& rect, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

QPainterPath Circle(QPointF centre, qreal rx, qreal ry) {
  QPainterPath path;
  path.addEllipse(centre, rx, ry);
  return path;
}

// A polygon of `corners` corners around `centre`, every other one at `inner` (a star) unless it equals
// `outer`.
QPainterPath Radial(QPointF centre, int corners, qreal first_angle, qreal outer, qreal inner) {
  QPolygonF polygon;
  for (int i = 0; i < corners; ++i) {
    const qreal angle = first_angle + 2 * M_PI / corners * i;
    polygon << centre + QPointF(std::cos(angle), std::sin(angle)) * (i % 2 ? inner : outer);
  }
  QPainterPath path;
  path.addPolygon(polygon);
  path.closeSubpath();
  return path;
}

QPainterPath Star(QPointF centre, qreal radius) {
  return Radial(centre, 10, -M_PI / 2, radius, radius * 0.45);
}

// Drawing on a transparent image in design units; `hot` livens every colour, `muted` greys it. Vector
// output (an SVG file) has no transparent layer to erase margins from: there the cuts are left out.
class Canvas {
 public:
  Canvas(QPainter& painter, bool hot, bool vector = false) : p_(painter), hot_(hot), vector_(vector) {}

  void SetMuted(bool muted) { muted_ = muted; }

  QColor Ink(QRgb rgb) const {
    QColor colour = QColor::fromRgba(rgb);
    if (muted_) {
      const int grey = 96 + qGray(rgb) * 14 / 25;
      colour.setRgb(grey, grey, grey + 6, qAlpha(rgb));
    }
    if (hot_) {
      float h, s, v, a;
      colour.getHsvF(&h, &s, &v, &a);
      // Greys have no saturation to raise: give them a cool tint instead, leaving white paper white.
      if (s < 0.15f && v < 0.95f) {
        h = 0.6f;
        s += 0.2f;
      }
      colour = QColor::fromHsvF(h, std::min(1.0f, s * 1.15f), std::min(1.0f, v * 1.08f + 0.04f), a);
    }
    return colour;
  }

  void Fill(const QPainterPath& path, QRgb rgb) { p_.fillPath(path, Ink(rgb)); }
  void Fill(const QRectF& rect, QRgb rgb) { p_.fillRect(rect, Ink(rgb)); }

  void Stroke(const QPainterPath& path, QRgb rgb, qreal width = 1, Qt::PenStyle style = Qt::SolidLine) {
    QPen pen(Ink(rgb), width, style, width > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::MiterJoin);
    if (style == Qt::DashLine) pen.setDashPattern({2, 1});
    p_.strokePath(path, pen);
  }

  void Line(QPointF from, QPointF to, QRgb rgb, qreal width = 1) {
    Stroke(Poly({from, to}, false), rgb, width);
  }

  void Shape(const QPainterPath& path, const Tone& tone, Qt::PenStyle style = Qt::SolidLine) {
    Fill(path, tone.fill);
    Stroke(path, tone.line, 1, style);
  }

  // A box covering whole units, its outline drawn inside them.
  void Box(const QRectF& rect, const Tone& tone, qreal radius = 0, Qt::PenStyle style = Qt::SolidLine) {
    Shape(RoundRect(Inset(rect), radius), tone, style);
  }

  // Erases a margin so that a badge stands apart from the glyph under it on any background.
  void Cut(const QPainterPath& path, qreal width = 0) {
    if (vector_) return;
    p_.save();
    p_.setCompositionMode(QPainter::CompositionMode_Clear);
    if (width > 0) {
      p_.strokePath(path, QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap));
    } else {
      p_.fillPath(path, Qt::black);
    }
    p_.restore();
  }

  void Pixels(std::string_view glyph, int x, int y, QRgb rgb) {
    QPainterPath path;
    for (int i = 0; i < static_cast<int>(glyph.size()); ++i) {
      if (glyph[i] == 'X') path.addRect(x + i % 3, y + i / 3, 1, 1);
    }
    path.setFillRule(Qt::WindingFill);
    Fill(path, rgb);
  }

  // Draws `draw` moved by whole units.
  template <typename F>
  void Shifted(qreal dx, qreal dy, F draw) {
    p_.save();
    p_.translate(dx, dy);
    draw();
    p_.restore();
  }

 private:
  QPainter& p_;
  bool hot_;
  bool vector_;
  bool muted_ = false;
};

// ---- Parts shared by several glyphs, in the 16-unit grid.

void Folder(Canvas& c, const QRectF& r) {
  const QRectF in = Inset(r);
  const qreal tab = in.left() + std::round(r.width() * 0.32), shoulder = in.top() + 2;
  c.Shape(Poly({in.topLeft(),
                {tab, in.top()},
                {tab + 1.5, shoulder},
                {in.right(), shoulder},
                in.bottomRight(),
                in.bottomLeft()}),
          kFolderBack);
  const qreal front = std::round(r.height() / 3);
  c.Box({r.left(), r.top() + front, r.width(), r.height() - front}, kFolderFront);
}

void PlainFolder(Canvas& c) {
  Folder(c, {1, 2, 14, 12});
}

// A 7-unit square badge in the lower right corner carrying a pixel glyph.
void Badge(Canvas& c, QRgb rgb, std::string_view glyph) {
  c.Cut(RoundRect({8, 8, 8, 8}, 2.5));
  c.Fill(RoundRect({9, 9, 7, 7}, 1.5), rgb);
  c.Pixels(glyph, 11, 10, kWhite);
}

// The red dot of a marked item, upper right.
void Marker(Canvas& c) {
  c.Cut(Circle({12.5, 3.5}, 3.5, 3.5));
  c.Shape(Circle({12.5, 3.5}, 2.5, 2.5), kRed);
}

void NotSubscribedBadge(Canvas& c) {
  c.SetMuted(false);
  Badge(c, 0xFF7B8594, kMinus);
}

void Envelope(Canvas& c, bool open, bool ghost) {
  const Tone& body = ghost ? kGhost : kEnvelope;
  const Tone& flap = ghost ? kGhost : kFlap;
  const Qt::PenStyle style = ghost ? Qt::DashLine : Qt::SolidLine;
  if (!open) {
    c.Box({1, 3, 14, 10}, body, 0.5, style);
    c.Shape(Poly({{1.5, 3.5}, {8, 8.5}, {14.5, 3.5}}, false), flap, style);
    return;
  }
  c.Box({1, 7, 14, 8}, body, 0.5, style);
  c.Shape(Poly({{1.5, 7.5}, {8, 1.5}, {14.5, 7.5}}), flap, style);
  c.Box({4, 4, 8, 7}, ghost ? kGhost : kPaper, 0, style);
  c.Line({6, 6.5}, {10, 6.5}, kTextLine);
  c.Shape(Poly({{1.5, 7.5}, {8, 11.5}, {14.5, 7.5}, {14.5, 14.5}, {1.5, 14.5}}), body, style);
}

// The emblem of flag 0x800: a violet diamond, lower right.
void Diamond(Canvas& c) {
  c.Cut(Poly({{12.5, 7.5}, {17.5, 12.5}, {12.5, 17.5}, {7.5, 12.5}}));
  c.Shape(Poly({{12.5, 9}, {16, 12.5}, {12.5, 16}, {9, 12.5}}), kPurple);
}

// A closed envelope over the lower right of another glyph.
void SmallEnvelope(Canvas& c, const QRectF& r) {
  const QRectF in = Inset(r);
  c.Cut(RoundRect(r.adjusted(-1, -1, 1, 1), 1));
  c.Box(r, kEnvelope, 0.5);
  c.Shape(Poly({in.topLeft(), {in.center().x(), in.top() + in.height() / 2}, in.topRight()}, false), kFlap);
}

QPainterPath Bubble(const QRectF& r, bool tail_right) {
  const QRectF box = Inset(r);
  const qreal x = tail_right ? box.right() - 2 : box.left() + 2, dir = tail_right ? 1 : -1;
  return RoundRect(box, 2).united(Poly({{x - 2 * dir, box.bottom() - 1},
                                        {x + 0.5 * dir, box.bottom() + 2.5},
                                        {x + 0.5 * dir, box.bottom() - 1}}));
}

void MiniBubble(Canvas& c) {
  c.Cut(RoundRect({7, 8, 9, 8}, 2));
  c.Shape(Bubble({8, 9, 8, 5}, false), kTeal);
  for (int x : {10, 12}) c.Fill(QRectF(x, 11, 1, 1), kWhite);
}

void Server(Canvas& c) {
  for (int y : {1, 8}) {
    c.Box({1, qreal(y), 13, 6}, kSlate, 1);
    c.Fill(QRectF(3, y + 2, 2, 2), kLed);
    c.Fill(QRectF(7, y + 2, 5, 1), 0xFFB8C4D4);
  }
}

// A page with a folded corner and lines of text.
void Sheet(Canvas& c, const QRectF& r) {
  const QRectF in = Inset(r);
  const qreal left = in.left(), top = in.top(), right = in.right(), bottom = in.bottom();
  c.Shape(Poly({{left, top}, {right - 3, top}, {right, top + 3}, {right, bottom}, {left, bottom}}), kPaper);
  c.Shape(Poly({{right - 3, top}, {right - 3, top + 3}, {right, top + 3}}), {0xFFDCE2EA, kPaper.line});
  for (qreal y = top + 4; y < bottom - 1; y += 2) c.Line({left + 1.5, y}, {right - 1.5, y}, kTextLine);
}

void Magnifier(Canvas& c, QPointF centre, qreal radius) {
  const QPointF handle = centre + QPointF(radius, radius) * 0.72, end = handle + QPointF(3, 3);
  c.Cut(Circle(centre, radius + 1.5, radius + 1.5));
  c.Cut(Poly({handle, end}, false), 4.5);
  c.Shape(Circle(centre, radius, radius), {0xB3DCEBFF, 0xFF3A4657});
  c.Line(handle, end, kSlate.line, 2.4);
}

void PlusBadge(Canvas& c, QPointF centre) {
  c.Cut(Circle(centre, 5.5, 5.5));
  c.Shape(Circle(centre, 4.5, 4.5), {0xFF34B35A, 0xFF1E7A3A});
  c.Fill(QRectF(centre.x() - 3, centre.y() - 1, 6, 2), kWhite);
  c.Fill(QRectF(centre.x() - 1, centre.y() - 3, 2, 6), kWhite);
}

void DrawDatabase(Canvas& c, int) {
  const QPainterPath body =
      RoundRect({2.5, 3.5, 11, 9}, 0).united(Circle({8, 12.5}, 5.5, 2)).united(Circle({8, 3.5}, 5.5, 2));
  c.Shape(body, kBlue);
  // The front half of a middle ring, inside the outline.
  const QRectF ring(3, 6, 10, 4);
  QPainterPath band;
  band.arcMoveTo(ring, 180);
  band.arcTo(ring, 180, 180);
  c.Stroke(band, kBlueTop.fill);
  c.Shape(Circle({8, 3.5}, 5.5, 2), kBlueTop);
}

void DrawIndexNode(Canvas& c, int left_child) {
  const QRgb right_line = left_child ? kGrey.line : kGreen.line;
  c.Stroke(Poly({{8.5, 8.5}, {13.5, 8.5}, {13.5, 10}}, false), right_line);
  c.Box({11, 10, 5, 5}, left_child ? kGrey : kGreenPale, 1);
  c.Stroke(Poly({{8.5, 6}, {8.5, 8.5}, {3.5, 8.5}, {3.5, 10}}, false),
           left_child ? kOrange.line : kGreen.line);
  c.Box({6, 1, 5, 5}, left_child ? kGreenPale : kGreen, 1);
  if (left_child) {
    c.Box({0, 9, 7, 7}, kOrange, 1.5);
  } else {
    c.Box({1, 10, 5, 5}, kGreenPale, 1);
  }
}

// ---- The glyphs of the shared list: each takes an argument, used by the families.

void DrawUnused(Canvas& c, int) {
  c.Stroke(RoundRect({2.5, 2.5, 11, 11}, 1), 0xFFCDD2D8, 1, Qt::DotLine);
}

void DrawUnknownFolder(Canvas& c, int) {
  PlainFolder(c);
  Badge(c, 0xFF7B8594, kQuestion);
}

void DrawRecord(Canvas& c, int) {
  c.Box({1, 3, 14, 10}, kPaper, 1);
  c.Fill(QRectF(3, 5, 4, 4), kBlue.fill);
  for (qreal y : {5.5, 7.5}) c.Line({8, y}, {13, y}, kTextLine);
  c.Line({3, 10.5}, {13, 10.5}, kTextLine);
}

void DrawFieldRow(Canvas& c, int) {
  c.Shape(Poly({{1.5, 8}, {5, 4.5}, {14.5, 4.5}, {14.5, 11.5}, {5, 11.5}}), kCyan);
  c.Fill(Circle({5, 8}, 1, 1), kWhite);
  c.Fill(QRectF(8, 7, 5, 2), kWhite);
}

void DrawProperty(Canvas& c, int) {
  const QPainterPath pill = RoundRect({1.5, 4.5, 13, 7}, 3.5);
  c.Shape(pill, kPaper);
  c.Fill(pill.intersected(RoundRect({0, 0, 8, 16}, 0)), kPurple.fill);
  c.Stroke(pill, kPurple.line);
  c.Fill(Circle({5, 8}, 1.5, 1.5), kWhite);
  c.Fill(QRectF(9, 7, 4, 2), 0xFF6B7789);
}

void DrawSection(Canvas& c, int) {
  Sheet(c, {2, 0, 11, 15});
  // Two links of a chain, kept on the pixel grid.
  c.Cut(RoundRect({3, 8, 13, 8}, 2.5));
  c.Stroke(RoundRect({4.5, 9.5, 6, 4}, 2), 0xFF2F6FD0);
  c.Stroke(RoundRect({8.5, 11.5, 6, 4}, 2), 0xFF2F6FD0);
}

void DrawIndexHeap(Canvas& c, int) {
  c.Box({1, 9, 7, 6}, kGreen, 1);
  c.Box({8, 9, 7, 6}, {0xFF7ACB98, kGreen.line}, 1);
  c.Box({4, 3, 8, 6}, {0xFFB5E3C5, kGreen.line}, 1);
}

void DrawIndexTable(Canvas& c, int watched) {
  c.Box({1, 2, 14, 12}, kGreenPale, 1);
  c.Fill(QRectF(2, 3, 12, 3), kGreen.fill);
  for (qreal y : {8.5, 11.5}) c.Line({2, y}, {14, y}, 0xFF9FD3B2);
  c.Line({5.5, 6}, {5.5, 13}, 0xFF9FD3B2);
  if (!watched) return;
  c.Cut(Star({12, 12}, 5.5));
  c.Shape(Star({12, 12}, 4), kGold);
}

void DrawFolder(Canvas& c, int marked) {
  PlainFolder(c);
  if (marked) Marker(c);
}

// `arg` is the type (1..8), plus 16 when the folder is marked.
void DrawSpecialFolder(Canvas& c, int arg) {
  const int type = arg & 15;
  DrawFolder(c, arg & 16);
  Badge(c, kTypeColours[type - 1], kDigits[type - 1]);
}

// 0 subscribed, 1 not subscribed, 2 marked.
void DrawNewsgroup(Canvas& c, int state) {
  c.SetMuted(state == 1);
  c.Shape(Bubble({1, 1, 10, 7}, false), kTealPale);
  c.Shape(Bubble({4, 5, 11, 7}, true), kTeal);
  for (int x : {7, 9, 11}) c.Fill(QRectF(x, 8, 1, 1), kWhite);
  if (state == 1) NotSubscribedBadge(c);
  if (state == 2) Marker(c);
}

void DrawNewsAccount(Canvas& c, int) {
  Server(c);
  MiniBubble(c);
}

void DrawMailAccount(Canvas& c, int) {
  Server(c);
  SmallEnvelope(c, {8, 10, 8, 6});
}

void DrawOfflineTopLevel(Canvas& c, int) {
  c.SetMuted(true);
  Server(c);
  NotSubscribedBadge(c);
}

void DrawLocalFolders(Canvas& c, int) {
  c.Box({1, 1, 14, 10}, kSlate, 1);
  c.Fill(QRectF(2, 2, 12, 8), 0xFFDCEBFB);
  Folder(c, {4, 3, 8, 6});
  c.Fill(QRectF(7, 11, 2, 2), kSlate.fill);
  c.Fill(RoundRect({4, 13, 8, 2}, 1), kSlate.fill);
}

void DrawRootFolder(Canvas& c, int) {
  Folder(c, {3, 0, 13, 11});
  Folder(c, {0, 4, 13, 12});
}

// A message by its flags: read opens the envelope, solid draws it whole (a ghost without), and the diamond.
void DrawMessage(Canvas& c, int flags) {
  Envelope(c, flags & dbx::kMessageRead, !(flags & dbx::kMessageSolid));
  if (flags & dbx::kMessageDiamond) Diamond(c);
}

// ---- The toolbar, in the 20-unit grid.

void DrawOpen(Canvas& c, int) {
  c.Shape(Poly({{2.5, 3.5}, {7.5, 3.5}, {9, 5.5}, {15.5, 5.5}, {15.5, 16.5}, {2.5, 16.5}}), kFolderBack);
  c.Shape(Poly({{5.5, 9.5}, {18.5, 9.5}, {15.5, 16.5}, {2.5, 16.5}}), kFolderFront);
}

void DrawSave(Canvas& c, int) {
  c.Shape(Poly({{2.5, 2.5}, {15.5, 2.5}, {17.5, 4.5}, {17.5, 17.5}, {2.5, 17.5}}), kBlue);
  c.Box({6, 2, 8, 6}, kSteel);
  c.Fill(QRectF(11, 4, 2, 3), kSlate.fill);
  c.Box({5, 11, 10, 7}, kPaper);
  c.Line({7, 13.5}, {13, 13.5}, kTextLine);
}

void DrawViewMessage(Canvas& c, int) {
  c.Shifted(0, 1, [&] { Envelope(c, false, false); });
  Magnifier(c, {13.5, 13.5}, 3.5);
}

void DrawExplore(Canvas& c, int) {
  c.Shifted(0, 1, [&] { PlainFolder(c); });
  Magnifier(c, {13.5, 13.5}, 3.5);
}

void DrawCut(Canvas& c, int) {
  c.Line({7.5, 12}, {13.5, 2.5}, kSteel.line, 1.8);
  c.Line({12.5, 12}, {6.5, 2.5}, kSteel.line, 1.8);
  c.Fill(Circle({10, 8.8}, 1, 1), kSlate.line);
  for (qreal x : {6.0, 14.0}) c.Stroke(Circle({x, 14.5}, 2.6, 2.6), kRed.fill, 1.8);
}

void DrawCopy(Canvas& c, int) {
  Sheet(c, {2, 1, 10, 13});
  c.Cut(RoundRect({7, 5, 12, 15}, 1));
  Sheet(c, {8, 6, 10, 13});
}

void DrawPaste(Canvas& c, int) {
  c.Box({3, 3, 13, 16}, kBoard, 1.5);
  c.Box({7, 1, 6, 4}, kSteel, 1);
  c.Cut(RoundRect({8, 7, 12, 13}, 1));
  Sheet(c, {9, 8, 10, 11});
}

void DrawStop(Canvas& c, int) {
  c.Shape(Radial({10, 10}, 8, M_PI / 8, 8.5, 8.5), kRed);
  c.Line({7, 7}, {13, 13}, kWhite, 2.2);
  c.Line({13, 7}, {7, 13}, kWhite, 2.2);
}

void DrawRefresh(Canvas& c, int) {
  const QRectF ring(4, 4, 12, 12);
  for (qreal start : {20.0, 200.0}) {
    const qreal sweep = 130, end = (start + sweep) * M_PI / 180;
    QPainterPath arc;
    arc.arcMoveTo(ring, start);
    arc.arcTo(ring, start, sweep);
    c.Stroke(arc, kGreen.fill, 2.2);
    const QPointF at(10 + 6 * std::cos(end), 10 - 6 * std::sin(end));
    const QPointF radial(std::cos(end), -std::sin(end)), ahead(-std::sin(end), -std::cos(end));
    c.Fill(Poly({at + radial * 3, at - radial * 3, at + ahead * 3.5}), kGreen.fill);
  }
}

void DrawNewFolder(Canvas& c, int) {
  c.Shifted(0, 1, [&] { PlainFolder(c); });
  PlusBadge(c, {15, 15});
}

void DrawNewMessage(Canvas& c, int) {
  c.Shifted(0, 1, [&] { Envelope(c, false, false); });
  PlusBadge(c, {15, 15});
}

// ---- The two window icons, in the 16-unit grid.

void DrawProgram(Canvas& c, int) {
  c.Shifted(-1, 0, [&] { DrawDatabase(c, 0); });
  SmallEnvelope(c, {7, 9, 9, 7});
}

void DrawExplorerWindow(Canvas& c, int) {
  c.Box({1, 2, 14, 12}, kPaper, 1);
  c.Fill(QRectF(1, 2, 14, 3), kBlue.fill);
  c.Line({6.5, 5}, {6.5, 13}, kTextLine);
  c.Stroke(Poly({{3.5, 7}, {3.5, 11.5}, {5, 11.5}}, false), kTextLine);
  c.Line({3.5, 9.5}, {5, 9.5}, kTextLine);
  c.Fill(QRectF(3, 6, 2, 2), kFolderBack.fill);
  for (qreal y : {7.5, 9.5, 11.5}) c.Line({8, y}, {13, y}, kSlate.fill);
}

// ---- The icon engine.

using DrawFunction = void (*)(Canvas&, int);

struct Glyph {
  DrawFunction draw;
  int arg = 0;
  int units = 16;
  bool lively = false;  // whether QIcon::Active differs from QIcon::Normal
};

class GlyphEngine final : public QIconEngine {
 public:
  explicit GlyphEngine(const Glyph& glyph) : glyph_(glyph) {}

  // Everything goes through an image at device resolution: the badges erase their margin, which needs a
  // transparent layer of their own.
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // `size` is in device pixels already. Views ask again at every repaint, hence the cache.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
    if (size.isEmpty()) return {};
    const QString key = QStringLiteral("vendrel-glyph-%1-%2-%3-%4x%5-%6-%7")
                            .arg(reinterpret_cast<quintptr>(glyph_.draw))
                            .arg(glyph_.arg)
                            .arg(glyph_.units)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(glyph_.lively || mode == QIcon::Disabled ? int(mode) : 0)
                            .arg(scale);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) return pixmap;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      const qreal side = std::min(size.width(), size.height());
      painter.translate((size.width() - side) / 2, (size.height() - side) / 2);
      painter.scale(side / glyph_.units, side / glyph_.units);
      Canvas canvas(painter, glyph_.lively && mode == QIcon::Active);
      glyph_.draw(canvas, glyph_.arg);
    }
    pixmap = QPixmap::fromImage(std::move(image));
    // A pixmap icon engine applies the style's disabled look.
    if (mode == QIcon::Disabled) pixmap = QIcon(pixmap).pixmap(size, 1.0, QIcon::Disabled);
    pixmap.setDevicePixelRatio(scale);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new GlyphEngine(glyph_); }
  QString key() const override { return QStringLiteral("vendrel-glyph"); }

 private:
  Glyph glyph_;
};

QIcon MakeIcon(const Glyph& glyph) {
  return QIcon(new GlyphEngine(glyph));
}

// ---- The tables.

struct Entry {
  int index;
  DrawFunction draw;
  std::string_view meaning;
  int arg = 0;  // only for the drawings that take one
};

constexpr Entry kSharedEntries[] = {
    {0, DrawDatabase, "database file (Folders.dbx or a message database)"},
    {1, DrawUnknownFolder, "folder record of an unknown protocol"},
    {2, DrawRecord, "record, before its kind is known"},
    {3, DrawFieldRow, "field row of a header, node head, record head or text block head"},
    {4, DrawIndexNode, "index node", 0},
    {6, DrawProperty, "property of a record"},
    {8, DrawSection, "section: one text block of a message's text chain"},
    {9, DrawIndexNode, "left-child index node", 1},
    {19, DrawIndexTable, "index slot of a watched or subscribed index", 1},
    {20, DrawIndexHeap, "index heap, where index nodes are allocated"},
    {21, DrawIndexTable, "index slot: the root entry of an index tree", 0},
    {kFolderStripBase + 6, DrawFolder, "mail folder", 0},
    {kFolderStripBase + 7, DrawSpecialFolder, "special folder, type 1", 1},
    {kFolderStripBase + 8, DrawSpecialFolder, "special folder, type 2", 2},
    {kFolderStripBase + 9, DrawSpecialFolder, "special folder, type 3", 3},
    {kFolderStripBase + 10, DrawSpecialFolder, "special folder, type 4", 4},
    {kFolderStripBase + 11, DrawSpecialFolder, "special folder, type 5", 5},
    {kFolderStripBase + 12, DrawSpecialFolder, "special folder, type 6", 6},
    {kFolderStripBase + 13, DrawSpecialFolder, "special folder, type 7; also an unsubscribed subfolder", 7},
    {kFolderStripBase + 14, DrawSpecialFolder, "special folder, type 8", 8},
    {kFolderStripBase + 15, DrawNewsgroup, "newsgroup", 0},
    {kFolderStripBase + 16, DrawNewsAccount, "news account"},
    {kFolderStripBase + 17, DrawNewsgroup, "newsgroup, not subscribed", 1},
    {kFolderStripBase + 18, DrawOfflineTopLevel, "top-level folder or account, not subscribed (offline)"},
    {kFolderStripBase + 20, DrawLocalFolders, "local folders"},
    {kFolderStripBase + 21, DrawRootFolder, "the root of all folders"},
    {kFolderStripBase + 22, DrawNewsgroup, "marked newsgroup", 2},
    {kFolderStripBase + 24, DrawFolder, "marked mail folder", 1},
    {kFolderStripBase + 25, DrawSpecialFolder, "marked special folder, type 1", 17},
    {kFolderStripBase + 26, DrawSpecialFolder, "marked special folder, type 2", 18},
    {kFolderStripBase + 27, DrawSpecialFolder, "marked special folder, type 3", 19},
    {kFolderStripBase + 28, DrawSpecialFolder, "marked special folder, type 4", 20},
    {kFolderStripBase + 29, DrawSpecialFolder, "marked special folder, type 5", 21},
    {kFolderStripBase + 30, DrawSpecialFolder, "marked special folder, type 6", 22},
    {kFolderStripBase + 31, DrawSpecialFolder, "marked special folder, type 7", 23},
    {kFolderStripBase + 32, DrawSpecialFolder, "marked special folder, type 8", 24},
    {kFolderStripBase + 33, DrawMailAccount, "mail server account"},
    {kMessageStripBase + 9, DrawMessage, "message, flag 0x01 (closed)", 0x01},
    {kMessageStripBase + 10, DrawMessage, "message, flags 0x01 and 0x80 (opened: read)", 0x81},
    {kMessageStripBase + 24, DrawMessage, "message, flag 0x800 without 0x80 and 0x01", 0x800},
    {kMessageStripBase + 25, DrawMessage, "message, flags 0x800 and 0x80", 0x880},
    {kMessageStripBase + 26, DrawMessage, "message, flags 0x800 and 0x01", 0x801},
    {kMessageStripBase + 27, DrawMessage, "message, flags 0x800, 0x80 and 0x01", 0x881},
    {kMessageStripBase + 30, DrawMessage, "message without flag 0x01 or 0x800", 0},
};

constexpr Entry kToolbarEntries[kToolbarImageCount] = {
    {0, DrawOpen, "Open"},
    {1, DrawSave, "Save"},
    {2, DrawViewMessage, "View message with the mail client"},
    {3, DrawExplore, "Explore working directory"},
    {4, DrawCut, "Cut"},
    {5, DrawCopy, "Copy"},
    {6, DrawPaste, "Paste"},
    {7, DrawStop, "Stop"},
    {8, DrawRefresh, "Refresh"},
    {9, DrawNewFolder, "New folder"},
    {10, DrawNewMessage, "New message"},
};

const Entry& SharedEntry(int index) {
  static const auto entries = [] {
    std::array<Entry, kSharedImageCount> all;
    for (int i = 0; i < kSharedImageCount; ++i) all[i] = {i, DrawUnused, "unused"};
    for (const Entry& entry : kSharedEntries) all[entry.index] = entry;
    return all;
  }();
  return entries[index];
}

bool InRange(int index, int count) {
  return index >= 0 && index < count;
}

}  // namespace

QIcon SharedImage(int index) {
  static const auto icons = [] {
    std::array<QIcon, kSharedImageCount> all;
    for (int i = 0; i < kSharedImageCount; ++i) all[i] = MakeIcon({SharedEntry(i).draw, SharedEntry(i).arg});
    return all;
  }();
  return InRange(index, kSharedImageCount) ? icons[index] : QIcon();
}

std::string_view SharedImageMeaning(int index) {
  return InRange(index, kSharedImageCount) ? SharedEntry(index).meaning : std::string_view();
}

QIcon ToolbarImage(int index) {
  static const auto icons = [] {
    std::array<QIcon, kToolbarImageCount> all;
    for (const Entry& entry : kToolbarEntries) all[entry.index] = MakeIcon({entry.draw, entry.arg, 20, true});
    return all;
  }();
  return InRange(index, kToolbarImageCount) ? icons[index] : QIcon();
}

std::string_view ToolbarImageMeaning(int index) {
  return InRange(index, kToolbarImageCount) ? kToolbarEntries[index].meaning : std::string_view();
}

QIcon ProgramIcon() {
  static const QIcon icon = MakeIcon({DrawProgram});
  return icon;
}

QIcon ExplorerWindowIcon() {
  static const QIcon icon = MakeIcon({DrawExplorerWindow});
  return icon;
}

namespace {

void DrawInto(QPainter& painter, const QRectF& rect, DrawFunction draw) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal side = std::min(rect.width(), rect.height());
  painter.translate(rect.left() + (rect.width() - side) / 2, rect.top() + (rect.height() - side) / 2);
  painter.scale(side / 16, side / 16);
  Canvas canvas(painter, false, /*vector=*/true);
  draw(canvas, 0);
  painter.restore();
}

}  // namespace

void DrawProgramIcon(QPainter& painter, const QRectF& rect) {
  DrawInto(painter, rect, DrawProgram);
}

void DrawExplorerWindowIcon(QPainter& painter, const QRectF& rect) {
  DrawInto(painter, rect, DrawExplorerWindow);
}

}  // namespace vendrel::ui
