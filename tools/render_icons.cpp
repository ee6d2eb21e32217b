// Writes the program's icons into an icon theme directory, as they are installed:
// OUTDIR/hicolor/NxN/apps/{vendrel,vendrel-explorer}.png for the usual sizes and
// OUTDIR/hicolor/scalable/apps/{vendrel,vendrel-explorer}.svg. Usage: render-icons OUTDIR
#include <QDir>
#include <QGuiApplication>
#include <QSvgGenerator>
#include <cstdio>

#include "ui/image_drawing.h"

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: render-icons OUTDIR\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]) + "/hicolor";
  const struct {
    const char* name;
    QIcon icon;
    void (*draw)(QPainter&, const QRectF&);
  } icons[] = {{"vendrel", vendrel::ui::ProgramIcon(), vendrel::ui::DrawProgramIcon},
               {"vendrel-explorer", vendrel::ui::ExplorerWindowIcon(), vendrel::ui::DrawExplorerWindowIcon}};
  for (const auto& icon : icons) {
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
      const QString directory = QString("%1/%2x%2/apps").arg(root).arg(size);
      if (!QDir().mkpath(directory) ||
          !icon.icon.pixmap(QSize(size, size), 1.0).save(QString("%1/%2.png").arg(directory, icon.name))) {
        return 1;
      }
    }
    const QString directory = root + "/scalable/apps";
    if (!QDir().mkpath(directory)) return 1;
    QSvgGenerator svg;
    svg.setFileName(QString("%1/%2.svg").arg(directory, icon.name));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle("Vendrel");
    QPainter painter(&svg);
    icon.draw(painter, QRectF(0, 0, 256, 256));
  }
  return 0;
}
