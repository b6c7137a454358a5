// The viewer's entry point: installs the drive table, creates the main window
// from its stored layout and runs the event loop until it is closed.

#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>

#include "app/command_line.h"
#include "app/termination_signals.h"
#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/dispatch.h"
#include "platform/command_options.h"
#include "platform/file_system.h"

namespace {

bool hasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vistrel;
  app::CommandLine commandLine;
  std::vector<platform::Drive> drives;
  std::string shownFolder;  // FOLDER as the window names it
  try {
    commandLine = app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    // --help and --version change nothing on disk, not even drive C's folder.
    const bool createFolders = !commandLine.help && !commandLine.version;
    drives = app::driveTable(commandLine, createFolders, &shownFolder);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vistrel-preview: %s\n", error.what());
    return 2;
  }
  if (commandLine.version) {
    std::puts(platform::versionText("vistrel-preview").c_str());
    return 0;
  }
  if (commandLine.help) {
    const platform::FileSystem files(drives, std::string());
    // The host folder too: an installed viewer's folder is the user's
    // videos folder, reached through Z: or a mounted drive.
    std::string programFolder = files.programFolder(false);
    if (auto host = files.toHostForCreate(programFolder)) {
      programFolder += "  (" + host->string() + ")";
    }
    std::fputs(app::usageText(platform::describeDrives(drives), programFolder).c_str(), stdout);
    return 0;
  }
  if (!hasDisplay()) {
    std::fputs(
        "vistrel-preview: no display (neither DISPLAY nor WAYLAND_DISPLAY is set);\n"
        "run it in a graphical session, or set QT_QPA_PLATFORM (e.g. offscreen).\n",
        stderr);
    return 2;
  }

  platform::FileSystem::install(std::make_unique<platform::FileSystem>(
      drives, app::startDirectory(commandLine, platform::FileSystem(drives, std::string()))));

  QApplication application(argc, argv);
  QApplication::setApplicationName(app::kApplicationTitle);
  // The desktop entry's id ties the window to its menu entry and icon on
  // Wayland; the icon itself is built in for the build tree.
  QApplication::setDesktopFileName(QStringLiteral("io.github.vistrel.RecordsPreview"));
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/vistrel-preview-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
  // Before the window: a signal that comes while start-up shows an error box
  // closes the box, and the program ends instead of showing its window.
  if (!app::dispatchHandler([] { app::closeWindowsOnTerminationSignals(); })) return 1;
  std::unique_ptr<app::TForm1> window;
  if (!app::dispatchHandler([&] { window = app::TForm1::create(); })) return 1;
  window->setStampedExport(commandLine.stamp);
  if (!shownFolder.empty() &&
      !app::dispatchHandler([&] { window->GoToArchiveFolder(shownFolder); }))
    return 1;
  if (app::terminationRequested()) return 0;
  window->show();
  if (commandLine.timeline) app::dispatchHandler([&] { window->openTimeline(); });
  return application.exec();
}
