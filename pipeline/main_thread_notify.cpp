#include "pipeline/main_thread_notify.h"

#include <map>
#include <mutex>

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include "pipeline/lock_group.h"

namespace vistrel {

namespace {

// The hidden node and the live notifiers. The map changes under the global
// write lock and is read under the global read lock; `mutex` guards the node
// pointer for Post() callers on other threads.
struct MainWindowNode {
  std::mutex mutex;
  QObject* node = nullptr;
  std::map<std::uint64_t, TSLMainThreadNotify*> live;
  std::uint64_t nextId = 1;
};

MainWindowNode& Node() {
  static auto* node = new MainWindowNode;
  return *node;
}

}  // namespace

TSLMainThreadNotify::TSLMainThreadNotify(std::function<void()> callback)
    : callback_(std::move(callback)) {
  TOWGlobalWriteLockSection global;
  auto& shared = Node();
  std::lock_guard lock(shared.mutex);
  id_ = shared.nextId++;
  shared.live[id_] = this;
  if (!shared.node) {
    shared.node = new QObject;
    if (auto* app = QCoreApplication::instance()) shared.node->moveToThread(app->thread());
  }
}

TSLMainThreadNotify::~TSLMainThreadNotify() {
  TOWGlobalWriteLockSection global;
  auto& shared = Node();
  std::lock_guard lock(shared.mutex);
  callback_ = nullptr;
  shared.live.erase(id_);
  if (shared.live.empty() && shared.node) {
    shared.node->deleteLater();  // drops the deliveries still queued
    shared.node = nullptr;
  }
}

void TSLMainThreadNotify::Post() {
  auto& shared = Node();
  std::lock_guard lock(shared.mutex);
  if (!shared.node) return;
  const std::uint64_t id = id_;
  QMetaObject::invokeMethod(
      shared.node, [id] { Deliver(id); }, Qt::QueuedConnection);
}

void TSLMainThreadNotify::Deliver(std::uint64_t id) {
  TOWGlobalReadLockSection global;
  std::function<void()> callback;
  {
    auto& shared = Node();
    std::lock_guard lock(shared.mutex);
    auto it = shared.live.find(id);
    if (it == shared.live.end()) return;
    callback = it->second->callback_;
  }
  if (callback) callback();
}

int TSLMainThreadNotify::LiveCount() {
  auto& shared = Node();
  std::lock_guard lock(shared.mutex);
  return static_cast<int>(shared.live.size());
}

}  // namespace vistrel
