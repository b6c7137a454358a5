// Generated camera snapshots with known truth, for the activity tests and
// benchmarks: a fixed outdoor-like scene (sky, a house, a textured ground)
// with per-snapshot sensor noise, optionally a slow change of light, a
// person-sized figure walking across, or the camera shaking.
#pragma once

#include <filesystem>
#include <string>

#include <QImage>

namespace vistrel::test {

struct SceneScript {
  int width = 640;
  int height = 480;
  int quality = 75;             // JPEG quality, as cameras commonly write
  int noiseSigma = 6;           // sensor noise in grey levels (about)
  double lightPerSnapshot = 0;  // grey levels added to every pixel per snapshot
  // The figure is in the snapshots first to last (inclusive) and walks from
  // the left edge to the right edge over them; none when first > last.
  int figureFirst = 1;
  int figureLast = 0;
  int shakePixels = 0;  // the scene is displaced up to this many pixels, each snapshot anew
};

// The snapshot `index` of the script.
QImage sceneSnapshot(const SceneScript& script, int index);

// Writes snapshots 0 .. count-1 as folder/snapNNNN.jpg (4 digits); returns
// the names in order.
std::vector<std::string> writeSceneSet(const std::filesystem::path& folder,
                                       const SceneScript& script, int count);

// Writes `image` as a JPEG file of the given quality.
void writeSnapshot(const std::filesystem::path& path, const QImage& image, int quality);

// The file name of snapshot `index` in such a set.
std::string sceneName(int index);

}  // namespace vistrel::test
