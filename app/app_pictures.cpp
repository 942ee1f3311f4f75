#include "app/app_pictures.h"

#include <QBitmap>
#include <QColor>
#include <QFile>

// Outside the namespace, as the resource registration requires.
static void RegisterAppResources() { Q_INIT_RESOURCE(text2jpg); }

namespace t2j {

void InitAppResources() {
  static const bool registered = (RegisterAppResources(), true);
  (void)registered;
}

QPixmap LogoPicture() {
  InitAppResources();
  return QPixmap(QStringLiteral(":/text2jpg/logo.png"));
}

QPixmap ButtonPicture() {
  InitAppResources();
  return TransparentByBottomLeft(QImage(QStringLiteral(":/text2jpg/button.png")));
}

QIcon ProgramIcon() {
  InitAppResources();
  return QIcon(QStringLiteral(":/text2jpg/text2jpg.png"));
}

QPixmap TransparentByBottomLeft(const QImage& picture) {
  if (picture.isNull()) return QPixmap();
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  QPixmap pixmap = QPixmap::fromImage(rgb);
  const QColor mask_color = rgb.pixelColor(0, rgb.height() - 1);
  pixmap.setMask(pixmap.createMaskFromColor(mask_color, Qt::MaskInColor));
  return pixmap;
}

}  // namespace t2j
