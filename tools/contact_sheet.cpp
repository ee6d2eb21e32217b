// Renders every image of the program on one sheet for review. Usage: contact-sheet OUT.png
#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <initializer_list>
#include <string_view>

#include "ui/image_drawing.h"

namespace {

constexpr int kMargin = 24;
constexpr int kHeading = 36;
constexpr int kColumnWidth = 560;
constexpr int kSharedColumns = 3;
constexpr int kWidth = kMargin * 2 + kColumnWidth * kSharedColumns;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class Sheet {
 public:
  explicit Sheet(QPainter& painter) : p_(painter) {}

  void Heading(int& y, const QString& title) {
    QFont font = p_.font();
    font.setBold(true);
    font.setPixelSize(16);
    p_.setFont(font);
    p_.setPen(Qt::black);
    p_.drawText(QRect(kMargin, y, kWidth - 2 * kMargin, kHeading), Qt::AlignLeft | Qt::AlignVCenter, title);
    font.setBold(false);
    font.setPixelSize(12);
    p_.setFont(font);
    y += kHeading;
  }

  // Draws `icon` at each of `sizes` from `x`, centred on a row `height` high; returns the x after them.
  int Icons(const QIcon& icon, int x, int y, int height, std::initializer_list<int> sizes,
            QIcon::Mode mode = QIcon::Normal) {
    for (int size : sizes) {
      p_.drawPixmap(x, y + (height - size) / 2, icon.pixmap(QSize(size, size), 1.0, mode));
      x += size + 10;
    }
    return x;
  }

  void Label(int x, int y, int width, int height, const QString& text, const QColor& colour = Qt::black) {
    p_.setPen(colour);
    p_.drawText(QRect(x, y, width, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
  }

  void Cell(int x, int y, int width, int height, int row) {
    p_.fillRect(x, y, width, height, row % 2 ? QColor(0xF4, 0xF6, 0xF8) : QColor(Qt::white));
  }

 private:
  QPainter& p_;
};

}  // namespace

int main(int argc, char** argv) {
  // A widget application, so that the style draws the disabled images as the program shows them.
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: contact-sheet OUT.png\n");
    return 1;
  }
  using namespace vendrel::ui;
  constexpr int kRow = 40;
  const int shared_rows = (kSharedImageCount + kSharedColumns - 1) / kSharedColumns;
  const int toolbar_rows = (kToolbarImageCount + 1) / 2;
  const int height = kMargin * 2 + kHeading * 3 + kRow * (shared_rows + toolbar_rows) + 80 + 16;
  QImage image(kWidth, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  Sheet sheet(painter);
  int y = kMargin;

  sheet.Heading(y, "Shared images: index, 16 px, 32 px, meaning");
  for (int i = 0; i < kSharedImageCount; ++i) {
    const int x = kMargin + (i / shared_rows) * kColumnWidth, top = y + (i % shared_rows) * kRow;
    const bool unused = SharedImageMeaning(i) == "unused";
    sheet.Cell(x, top, kColumnWidth - 8, kRow, i % shared_rows);
    sheet.Label(x + 6, top, 34, kRow, QString::number(i));
    const int after = sheet.Icons(SharedImage(i), x + 40, top, kRow, {16, 32});
    sheet.Label(after + 4, top, kColumnWidth - (after - x) - 16, kRow, Text(SharedImageMeaning(i)),
                unused ? QColor(0xA0, 0xA6, 0xAE) : QColor(Qt::black));
  }
  y += shared_rows * kRow + 16;

  sheet.Heading(y, "Toolbar: normal and hot at 20 px, normal and hot at 40 px, disabled at 20 px");
  const int toolbar_column = kWidth / 2 - kMargin;
  for (int i = 0; i < kToolbarImageCount; ++i) {
    const int x = kMargin + (i / toolbar_rows) * toolbar_column, top = y + (i % toolbar_rows) * kRow;
    const QIcon icon = ToolbarImage(i);
    sheet.Cell(x, top, toolbar_column - 8, kRow, i % toolbar_rows);
    sheet.Label(x + 6, top, 30, kRow, QString::number(i));
    int after = sheet.Icons(icon, x + 36, top, kRow, {20}, QIcon::Normal);
    after = sheet.Icons(icon, after, top, kRow, {20}, QIcon::Active);
    after = sheet.Icons(icon, after + 6, top, kRow, {40}, QIcon::Normal);
    after = sheet.Icons(icon, after, top, kRow, {40}, QIcon::Active);
    after = sheet.Icons(icon, after + 6, top, kRow, {20}, QIcon::Disabled);
    sheet.Label(after + 4, top, toolbar_column - (after - x) - 16, kRow, Text(ToolbarImageMeaning(i)));
  }
  y += toolbar_rows * kRow + 16;

  sheet.Heading(y, "Program icon and explorer window icon: 16, 32 and 64 px");
  const int after = sheet.Icons(ProgramIcon(), kMargin, y, 80, {16, 32, 64});
  sheet.Icons(ExplorerWindowIcon(), after + 40, y, 80, {16, 32, 64});
  painter.end();
  return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
