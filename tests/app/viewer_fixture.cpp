#include "viewer_fixture.h"

#include <QImage>
#include <QTest>

#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "platform/file_system.h"

namespace vistrel::app::testing {

void RecordingDialogs::showError(const std::string& message) {
  errors.push_back(message);
  if (onError) onError();
}

void RecordingDialogs::showMessage(const std::string& message) {
  messages.push_back(message);
  if (onMessage) onMessage();
}

bool RecordingDialogs::confirm(const std::string& message) {
  questions.push_back(message);
  if (onConfirm) onConfirm();
  return answer;
}

void RecordingDialogs::showShellError(const std::string& message) {
  shellErrors.push_back(message);
}

platform::CollisionAnswer RecordingDialogs::askCollision(const std::string& targetPath) {
  collisions.push_back(targetPath);
  if (collisionAnswers.empty()) return platform::CollisionAnswer::Replace;
  const platform::CollisionAnswer answer = collisionAnswers.front();
  collisionAnswers.pop_front();
  return answer;
}

std::unique_ptr<platform::CopyObserver> RecordingDialogs::copyProgress(const std::string&) {
  class Progress : public platform::CopyObserver {
   public:
    explicit Progress(RecordingDialogs& owner) : owner_(owner) {}
    bool progress(std::uint64_t, std::uint64_t, const std::string&) override {
      return ++owner_.progressReports != owner_.cancelAtReport;
    }
    platform::CollisionAnswer collision(const std::string& targetPath) override {
      return owner_.askCollision(targetPath);
    }

   private:
    RecordingDialogs& owner_;
  };
  return std::make_unique<Progress>(*this);
}

std::filesystem::path TempTree::jpeg(const std::string& relative, int tag) const {
  std::filesystem::create_directories((path() / relative).parent_path());
  QImage image(16 + tag, 12, QImage::Format_RGB32);
  image.fill(QColor::fromHsv((tag * 37) % 360, 200, 200));
  const std::filesystem::path file = path() / relative;
  EXPECT_TRUE(image.save(QString::fromStdString(file.string()), "JPG"));
  return file;
}

ViewerTest::ViewerTest() {
  auto dialogs = std::make_unique<RecordingDialogs>();
  dialogs_ = dialogs.get();
  savedDialogs_ = Dialogs::install(std::move(dialogs));
  tree_.folder(kRecordsHost);
}

ViewerTest::~ViewerTest() {
  form_.reset();
  Dialogs::install(std::move(savedDialogs_));
}

void ViewerTest::addSnapshots(const std::string& folder, int count, int firstTag) {
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/snap%03d.jpg", i);
    tree_.jpeg(std::string(kRecordsHost) + "/" + folder + name, firstTag + i);
  }
}

void ViewerTest::startViewer(const std::string& startDirectory, bool withDriveD) {
  std::vector<platform::Drive> drives;
  platform::Drive c;
  c.letter = 'C';
  c.hostRoot = tree_.folder("c");
  drives.push_back(c);
  if (withDriveD) {
    platform::Drive d;
    d.letter = 'D';
    d.hostRoot = tree_.folder("d");
    drives.push_back(d);
  }
  platform::FileSystem::install(std::make_unique<platform::FileSystem>(drives, startDirectory));
  form_ = TForm1::create();
  form_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
}

int ViewerTest::shownTag() const {
  const int width = form_->Image1->picture().width();
  return width == 768 ? -1 : width - 16;
}

std::string ViewerTest::label() const { return form_->Label1->caption(); }
std::string ViewerTest::caption() const { return form_->SlideShow->caption(); }

std::vector<std::string> ViewerTest::snapshotNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < form_->ListBox1->itemCount(); ++i) {
    names.push_back(form_->ListBox1->itemText(i));
  }
  return names;
}

void ViewerTest::openTreeEntry(int index) {
  browse::TDirectoryListBox* list = form_->DirectoryListBox1;
  list->scrollToItem(list->item(index));
  const QRect rect = list->visualItemRect(list->item(index));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

}  // namespace vistrel::app::testing
