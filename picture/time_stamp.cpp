#include "picture/time_stamp.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>

#include "picture/video_planes.h"

namespace vistrel {
namespace {

// Tried in this order; the first that loads is the stamp's font for the
// whole run.
constexpr const char* kFontFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf",
};

const QColor kBoxColour(0, 0, 0);
const QColor kTextColour(255, 255, 255);

// The family of the first font file that loads; empty when none does.
QString stampFamily() {
  static const QString family = [] {
    for (const char* file : kFontFiles) {
      const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
      if (id < 0) continue;
      const QStringList families = QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) return families.first();
    }
    return QString();
  }();
  return family;
}

int roundUpToEven(int value) { return value + (value & 1); }

// Video-range luma (16-235) of a premultiplied grey level `level` drawn with
// coverage `alpha` over `beneath`, all 0-255.
std::uint8_t blendLuma(std::uint8_t beneath, int level, int alpha) {
  return static_cast<std::uint8_t>((beneath * (255 - alpha) + 16 * alpha + 219 * level + 127) /
                                   255);
}

}  // namespace

QString timeStampText(const QDateTime& time) {
  if (!time.isValid()) return QString();
  return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QImage renderStamp(const QString& text, int frameHeight) {
  // Without a QGuiApplication Qt's font database is not there, and the first
  // glyph would crash the program.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
    throw std::runtime_error("Time stamps cannot be drawn: the program has no font database");
  // About a twentieth of the frame: 12 pixels at 240 rows, 54 at 1080.
  const int pixelSize = std::max(10, frameHeight / 20);
  QFont font;
  const QString family = stampFamily();
  if (family.isEmpty()) {
    font.setStyleHint(QFont::TypeWriter);
    font.setFamily(QStringLiteral("monospace"));
  } else {
    font.setFamily(family);
  }
  font.setBold(true);
  font.setPixelSize(pixelSize);
  const QFontMetrics metrics(font);
  const int padX = std::max(2, pixelSize / 3);
  const int padY = std::max(1, pixelSize / 8);
  const int width = roundUpToEven(metrics.horizontalAdvance(text) + 2 * padX);
  const int height = roundUpToEven(metrics.height() + 2 * padY);

  QImage stamp(width, height, QImage::Format_ARGB32_Premultiplied);
  stamp.fill(kBoxColour);
  QPainter painter(&stamp);
  painter.setFont(font);
  painter.setPen(kTextColour);
  painter.drawText(padX, padY + metrics.ascent(), text);
  painter.end();
  return stamp;
}

QPoint stampPosition(QSize frame, QSize stamp) {
  const int margin = std::max(2, frame.height() / 60) & ~1;
  const int y = std::max(0, frame.height() - stamp.height() - margin) & ~1;
  return QPoint(margin, y);
}

void blendStamp(VideoPlanes& planes, const QImage& stamp, QPoint at) {
  const QRect area =
      QRect(at, stamp.size()).intersected(QRect(0, 0, planes.Width(), planes.Height()));
  if (area.isEmpty()) return;
  // Luma: each pixel of the stamp over the picture.
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const auto* source =
        reinterpret_cast<const QRgb*>(stamp.constScanLine(y - at.y())) + (area.left() - at.x());
    std::uint8_t* target = planes.Plane(0) + static_cast<std::ptrdiff_t>(y) * planes.Stride(0);
    for (int x = area.left(); x <= area.right(); ++x, ++source) {
      const int alpha = qAlpha(*source);
      if (alpha == 0) continue;
      const int level = (77 * qRed(*source) + 150 * qGreen(*source) + 29 * qBlue(*source)) >> 8;
      target[x] = blendLuma(target[x], level, alpha);
    }
  }
  // Colour: each sample covers 2 x 2 pixels and goes towards neutral by the
  // share of them the stamp covers (the stamp itself is grey).
  for (int cy = area.top() / 2; cy <= area.bottom() / 2; ++cy) {
    for (int cx = area.left() / 2; cx <= area.right() / 2; ++cx) {
      int covered = 0;
      int pixels = 0;
      for (int y = 2 * cy; y < std::min(2 * cy + 2, planes.Height()); ++y) {
        for (int x = 2 * cx; x < std::min(2 * cx + 2, planes.Width()); ++x) {
          ++pixels;
          if (!area.contains(x, y)) continue;
          const auto* row = reinterpret_cast<const QRgb*>(stamp.constScanLine(y - at.y()));
          covered += qAlpha(row[x - at.x()]);
        }
      }
      const int alpha = covered / pixels;
      if (alpha == 0) continue;
      for (int plane = 1; plane <= 2; ++plane) {
        std::uint8_t& sample =
            planes.Plane(plane)[static_cast<std::ptrdiff_t>(cy) * planes.Stride(plane) + cx];
        sample = static_cast<std::uint8_t>((sample * (255 - alpha) + 128 * alpha + 127) / 255);
      }
    }
  }
}

void blendStamp(QImage& bitmap, const QImage& stamp, QPoint at) {
  if (bitmap.isNull()) return;
  // The painter draws on 32-bit images; an 8-bit picture (grey, or the
  // reduced palette) becomes RGB32 with the same colours.
  if (bitmap.depth() != 32) bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
  QPainter painter(&bitmap);
  painter.drawImage(at, stamp);
}

}  // namespace vistrel
