// Test entry point: creates the Qt application object that the code under
// test expects (event loop, posted events, offscreen widgets), then runs
// GoogleTest.

#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>
#endif

#include <QtGlobal>
#ifdef VISTREL_TEST_APP_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// QProcess starts its children with clone(CLONE_VM | CLONE_VFORK): the child
// runs in the parent's memory until it execs. ThreadSanitizer's clone hook
// does its after-fork bookkeeping in that child, so it rewrites the parent's
// own state: threads started later die ("starting new threads after
// multi-threaded fork"), and locks the parent takes afterwards go unseen,
// which shows up as races under a mutex held on both sides. Defined in the
// program, this clone comes before the hook: a child sharing the memory goes
// straight to the C library's (it only execs, and the parent waits
// meanwhile); any other clone still goes through the hook.
extern "C" int clone(int (*entry)(void*), void* stack, int flags, void* argument, ...) {
  using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
  static const Clone libcClone = [] {
    void* libc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    return libc ? reinterpret_cast<Clone>(dlsym(libc, "clone")) : nullptr;
  }();
  static const auto hookedClone = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
  const Clone target = (flags & CLONE_VM) != 0 ? libcClone : hookedClone;
  if (!target) std::abort();
  va_list rest;
  va_start(rest, argument);
  auto* parentTid = va_arg(rest, pid_t*);
  void* tls = va_arg(rest, void*);
  auto* childTid = va_arg(rest, pid_t*);
  va_end(rest);
  return target(entry, stack, flags, argument, parentTid, tls, childTid);
}
#endif

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
