// A main window over a temporary drive table with a records tree built by the
// test, and boxes that record instead of blocking.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "temp_folder.h"

namespace vistrel::app::testing {

// Collects what the boxes would show. `onError` runs while the error "box" is
// up (to simulate what the event loop does meanwhile).
class RecordingDialogs : public Dialogs {
 public:
  void showError(const std::string& message) override;
  void showMessage(const std::string& message) override;
  bool confirm(const std::string& message) override;
  void showShellError(const std::string& message) override;
  platform::CollisionAnswer askCollision(const std::string& targetPath) override;
  // Counts the reports and stops the copy at report number `cancelAtReport`.
  std::unique_ptr<platform::CopyObserver> copyProgress(const std::string& folder) override;

  std::vector<std::string> errors;
  std::vector<std::string> shellErrors;
  std::vector<std::string> collisions;                     // target paths asked about
  std::deque<platform::CollisionAnswer> collisionAnswers;  // Replace once used up
  int progressReports = 0;
  int cancelAtReport = -1;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool answer = true;
  std::function<void()> onError;
  std::function<void()> onConfirm;  // runs while the question is up
  std::function<void()> onMessage;
};

// A host folder holding the drives' roots; removed afterwards.
class TempTree : public test::TempFolder {
 public:
  // A JPEG whose width (16 + tag) tells the snapshots apart.
  std::filesystem::path jpeg(const std::string& relative, int tag) const;
};

inline constexpr const char* kRecordsHost = "c/Program Files/Vistrel/Records";

class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest();
  ~ViewerTest() override;

  // `count` snapshots named snap000.jpg ... in a folder under the records
  // root ("2026-12-06/07"); snapshot i has the tag `firstTag + i`.
  void addSnapshots(const std::string& folder, int count, int firstTag = 0);
  // Installs drives C: (and D: when `withDriveD`) and creates the window,
  // shown, with the process started in `startDirectory`.
  void startViewer(const std::string& startDirectory = "C:\\", bool withDriveD = false);

  // The tag of the picture Image1 shows (-1 for the start picture).
  int shownTag() const;
  std::string label() const;
  std::string caption() const;
  std::vector<std::string> snapshotNames() const;
  // Opens the tree list's entry `index` as a double click would.
  void openTreeEntry(int index);

  TempTree tree_;
  RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<Dialogs> savedDialogs_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace vistrel::app::testing
