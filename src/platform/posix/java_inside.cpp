// Java inside the launcher: the runtime's virtual machine library loaded by
// its full path, and the application run on a thread of its own while the
// launcher's first thread waits for its end.
#include "platform/posix/java_inside.h"

#include <dlfcn.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/java_vm.h"
#include "platform/platform.h"
#include "platform/posix/java_host.h"
#include "platform/posix/signal_names.h"

namespace carafe::platform {

namespace {

// How Java ended, told by whichever thread saw it first: the thread that ran
// main, or the machine's exit and abort hooks.
pthread_mutex_t endingLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t endingSeen = PTHREAD_COND_INITIALIZER;
bool ended = false;
int endingCode = 0;
bool aborted = false;

const JavaInside* running = nullptr;
jni::Library library;

void tellEnd(int code, bool abort) {
  pthread_mutex_lock(&endingLock);
  if (!ended) {
    ended = true;
    endingCode = code;
    aborted = abort;
  }
  pthread_cond_signal(&endingSeen);
  pthread_mutex_unlock(&endingLock);
}

// The hooks run while the machine ends the process; the launcher's first
// thread reports the end and ends the process itself, so they wait for that.
[[noreturn]] void waitForTheEnd() {
  for (;;) ::pause();
}

extern "C" void exitHook(jni::jint code) {
  tellEnd(static_cast<int>(code), false);
  waitForTheEnd();
}

// A machine that fails while it is created ends with 1; one that crashes
// after it aborts, which the launcher reports of a separate Java as 128 +
// SIGABRT, unless it is told to dump no core and ends with 1 instead.
extern "C" void abortHook() {
  const bool core = jni::virtualMachineCreated() && jni::dumpsCoreOnCrash(*running);
  tellEnd(core ? 128 + SIGABRT : 1, true);
  waitForTheEnd();
}

extern "C" void* runJava(void*) {
  tellEnd(jni::runApplication(library, *running), false);
  return nullptr;
}

// The directory above the library's own (lib for lib/server/libjvm.so).
std::string runtimeLibraryDirectory(const std::string& path) {
  std::string directory = path.substr(0, path.rfind('/'));
  return directory.substr(0, directory.rfind('/'));
}

// The splash screen, as the java command shows it before the machine
// starts, where the runtime has the library for it; the toolkit closes it.
void showSplash(const JavaInside& java) {
  if (java.splashImage.empty()) return;
  const std::string path = runtimeLibraryDirectory(java.library) + "/libsplashscreen.so";
  void* splash = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (splash == nullptr) return;
  using Init = void (*)();
  using LoadFile = int (*)(const char*);
  using SetFileJarName = void (*)(const char*, const char*);
  const auto init = reinterpret_cast<Init>(::dlsym(splash, "SplashInit"));
  const auto loadFile = reinterpret_cast<LoadFile>(::dlsym(splash, "SplashLoadFile"));
  const auto setName = reinterpret_cast<SetFileJarName>(::dlsym(splash, "SplashSetFileJarName"));
  if (init == nullptr || loadFile == nullptr) return;
  init();
  loadFile(java.splashImage.c_str());
  if (setName != nullptr) setName(java.splashImage.c_str(), nullptr);
}

}  // namespace

ProcessOutcome runJavaInside(const JavaInside& java) {
  ProcessOutcome outcome;
  dropHeldNotices();
  std::fflush(stdout);
  // By its full path only; its own libraries it finds beside itself.
  void* handle = ::dlopen(java.library.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (handle == nullptr) {
    const char* error = ::dlerror();
    outcome.errorText = error != nullptr ? error : "it cannot be loaded";
    return outcome;
  }
  library.createJavaVM = reinterpret_cast<jni::CreateJavaVM>(::dlsym(handle, "JNI_CreateJavaVM"));
  library.defaultInitArgs = reinterpret_cast<jni::GetDefaultJavaVMInitArgs>(
      ::dlsym(handle, "JNI_GetDefaultJavaVMInitArgs"));
  library.exitHook = exitHook;
  library.abortHook = abortHook;
  if (library.createJavaVM == nullptr) {
    outcome.errorText = "it has no JNI_CreateJavaVM";
    return outcome;
  }
  running = &java;

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  std::size_t stackSize = jni::mainThreadStackSize(library, java);
  if (stackSize != 0) {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) stackSize = (stackSize + page - 1) / page * page;
    if (stackSize < static_cast<std::size_t>(PTHREAD_STACK_MIN)) stackSize = PTHREAD_STACK_MIN;
    pthread_attr_setstacksize(&attributes, stackSize);
  }
  showSplash(java);
  pthread_t thread;
  const int error = pthread_create(&thread, &attributes, runJava, nullptr);
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    outcome.errorText = std::string("no thread for it: ") + std::strerror(error);
    return outcome;
  }

  pthread_mutex_lock(&endingLock);
  while (!ended) pthread_cond_wait(&endingSeen, &endingLock);
  outcome.exitCode = static_cast<std::uint32_t>(endingCode);
  // A crash that ends as a separate Java's would, by SIGABRT, is told as that.
  if (aborted && endingCode == 128 + SIGABRT) {
    outcome.abnormalEnd = true;
    outcome.endDescription = signalDescription(SIGABRT);
  }
  outcome.aborted = aborted;
  pthread_mutex_unlock(&endingLock);
  outcome.created = true;
  outcome.processId = static_cast<std::uint32_t>(::getpid());
  std::fflush(stderr);
  return outcome;
}

void endAsJavaAborted(int code) {
  pthread_mutex_lock(&endingLock);
  const bool crashed = ended && aborted;
  pthread_mutex_unlock(&endingLock);
  if (!crashed) return;
  // Nothing of the crashed machine runs again: no handler at exit.
  std::fflush(stdout);
  std::fflush(stderr);
  ::_exit(code);
}

}  // namespace carafe::platform
