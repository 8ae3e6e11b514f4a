// carafe-jvm runs on every Linux whose C library is at least 2.28 (RHEL 8,
// Debian 10), wherever it was built. The functions that a newer C library
// gives a newer version (the stat family in 2.33, the dynamic loading and
// thread functions when they moved into libc in 2.34) are defined here,
// calling the versions that 2.28 has; the C++ runtime linked inside refers to
// them too. scripts/release and the release test check the result with
// objdump -T.
#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>

extern "C" {

// The old ABI of the stat family: a version number first (1 on x86-64).
int carafeXstat(int, const char*, struct stat*);
int carafeFxstat(int, int, struct stat*);
int carafeFxstatat(int, int, const char*, struct stat*, int);
void* carafeDlopen(const char*, int);
void* carafeDlsym(void*, const char*);
char* carafeDlerror();
int carafePthreadCreate(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
int carafePthreadAttrSetstacksize(pthread_attr_t*, size_t);
int carafePthreadOnce(pthread_once_t*, void (*)());
int carafePthreadKeyCreate(pthread_key_t*, void (*)(void*));
using MainFunction = int (*)(int, char**, char**);
using InitFunction = void (*)(int, char**, char**);
int carafeLibcStartMain(MainFunction, int, char**, InitFunction, void (*)(), void (*)(), void*);
}

__asm__(".symver carafeXstat, __xstat@GLIBC_2.2.5");
__asm__(".symver carafeFxstat, __fxstat@GLIBC_2.2.5");
__asm__(".symver carafeFxstatat, __fxstatat@GLIBC_2.4");
__asm__(".symver carafeDlopen, dlopen@GLIBC_2.2.5");
__asm__(".symver carafeDlsym, dlsym@GLIBC_2.2.5");
__asm__(".symver carafeDlerror, dlerror@GLIBC_2.2.5");
__asm__(".symver carafePthreadCreate, pthread_create@GLIBC_2.2.5");
__asm__(".symver carafePthreadAttrSetstacksize, pthread_attr_setstacksize@GLIBC_2.2.5");
__asm__(".symver carafePthreadOnce, pthread_once@GLIBC_2.2.5");
__asm__(".symver carafePthreadKeyCreate, __pthread_key_create@GLIBC_2.2.5");
__asm__(".symver carafeLibcStartMain, __libc_start_main@GLIBC_2.2.5");

namespace {
constexpr int STAT_VERSION = 1;
}

// Defined for this program's own references only: the libraries it loads
// (the runtime's) keep the C library's own functions.
#define HIDDEN __attribute__((visibility("hidden")))

extern "C" {

HIDDEN int stat(const char* path, struct stat* status) {
  return carafeXstat(STAT_VERSION, path, status);
}

HIDDEN int fstat(int descriptor, struct stat* status) {
  return carafeFxstat(STAT_VERSION, descriptor, status);
}

HIDDEN int fstatat(int directory, const char* path, struct stat* status, int flags) {
  return carafeFxstatat(STAT_VERSION, directory, path, status, flags);
}

HIDDEN void* dlopen(const char* path, int mode) { return carafeDlopen(path, mode); }

HIDDEN void* dlsym(void* handle, const char* name) { return carafeDlsym(handle, name); }

HIDDEN char* dlerror() { return carafeDlerror(); }

HIDDEN int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                          void* (*start)(void*), void* argument) {
  return carafePthreadCreate(thread, attributes, start, argument);
}

HIDDEN int pthread_attr_setstacksize(pthread_attr_t* attributes, size_t size) {
  return carafePthreadAttrSetstacksize(attributes, size);
}

HIDDEN int pthread_once(pthread_once_t* once, void (*routine)()) {
  return carafePthreadOnce(once, routine);
}

HIDDEN int __pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
  return carafePthreadKeyCreate(key, destructor);
}

// The program's start: the C library's older entry, which runs the
// program's constructors through the function it is given (the newer one
// finds them itself, and runs the function where it is given one).
extern void (*__preinit_array_start[])(int, char**, char**) __attribute__((visibility("hidden")));
extern void (*__preinit_array_end[])(int, char**, char**) __attribute__((visibility("hidden")));
extern void (*__init_array_start[])(int, char**, char**) __attribute__((visibility("hidden")));
extern void (*__init_array_end[])(int, char**, char**) __attribute__((visibility("hidden")));
void _init();

static void runConstructors(int count, char** vector, char** environment) {
  for (auto entry = __preinit_array_start; entry < __preinit_array_end; ++entry) {
    (*entry)(count, vector, environment);
  }
  _init();
  for (auto entry = __init_array_start; entry < __init_array_end; ++entry) {
    (*entry)(count, vector, environment);
  }
}

HIDDEN int __libc_start_main(MainFunction main, int count, char** vector, InitFunction, void (*)(),
                             void (*loaderEnd)(), void* stackEnd) {
  return carafeLibcStartMain(main, count, vector, runConstructors, nullptr, loaderEnd, stackEnd);
}

// The C++ runtime asks whether the process has one thread, to skip atomic
// operations; 0 says it may have more, which is always true.
HIDDEN char __libc_single_threaded = 0;
}
