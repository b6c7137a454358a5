// Time stamps burned into frames: light text on a dark box in the frame's
// bottom-left corner, sized from the frame's height so that it reads the same
// on a 320 x 240 snapshot as on a 1920 x 1080 one.
//
// The box is rendered once per text into a small image (renderStamp) and then
// blended into each frame, either into its video planes (the snapshot's own
// Y/Cb/Cr, no RGB round trip) or into a bitmap.
//
// Text is drawn with Qt's raster painter, which needs a QGuiApplication (the
// "offscreen" platform is enough: no display). The font is DejaVu Sans Mono
// Bold loaded from its file, else Liberation Mono Bold, else the system's
// monospace font, so that the box looks the same on every machine that has
// one of the two packages installed.
//
// Thread: renderStamp on the thread that owns the QGuiApplication's fonts
// (the main thread); the blending functions on any thread.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace vistrel {

class VideoPlanes;

// "yyyy-MM-dd hh:mm:ss" of `time` as it is (local time); empty when invalid.
QString timeStampText(const QDateTime& time);

// `text` in light letters on a dark, opaque box for a frame `frameHeight`
// rows high (premultiplied ARGB; the box is its whole image, of even width
// and height). Throws std::runtime_error when no QGuiApplication exists.
QImage renderStamp(const QString& text, int frameHeight);

// Where the stamp's top-left corner goes in a frame of `frame` size: the
// bottom-left corner with a margin, on even coordinates so that the box
// covers whole 2 x 2 colour samples. May lie partly outside a frame that is
// smaller than the stamp; the blending clips it.
QPoint stampPosition(QSize frame, QSize stamp);

// Blends `stamp` (from renderStamp) at `at` into the luma plane, and its
// coverage into the colour planes towards neutral grey, so the box carries
// no tint of the picture beneath it.
void blendStamp(VideoPlanes& planes, const QImage& stamp, QPoint at);

// Draws `stamp` at `at` over `bitmap` (converted to RGB32 first when it is
// a format the painter cannot draw on, such as 8-bit indexed).
void blendStamp(QImage& bitmap, const QImage& stamp, QPoint at);

}  // namespace vistrel
