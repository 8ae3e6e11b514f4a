// The virtual machine library's invocation interface, as far as the launcher
// uses it, and the start of an application through it: the same on every
// system, once each system has loaded the library and made a thread for it.
//
// The declarations follow the Java Native Interface's binary layout (a table
// of functions, each at its fixed index); only the functions the launcher
// calls are named, the others are kept as unnamed slots.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

// The calling convention of the interface's functions and hooks: the
// system's standard one on 32-bit Windows, the C one elsewhere.
#if defined(_WIN32) && !defined(_WIN64)
#define CARAFE_JNICALL __stdcall
#else
#define CARAFE_JNICALL
#endif

namespace carafe::platform::jni {

using jint = std::int32_t;
using jsize = jint;
using jlong = std::int64_t;
using jboolean = unsigned char;
using jbyte = signed char;

struct Object;
using jobject = Object*;
using jclass = jobject;
using jstring = jobject;
using jthrowable = jobject;
using jobjectArray = jobject;
using jbyteArray = jobject;
struct Method;
using jmethodID = Method*;
struct Field;
using jfieldID = Field*;

union jvalue {
  jboolean z;
  jbyte b;
  std::uint16_t c;
  std::int16_t s;
  jint i;
  jlong j;
  float f;
  double d;
  jobject l;
};

constexpr jint OK = 0;
constexpr jint VERSION_1_1 = 0x00010001;
// Every runtime since 1.2 takes it, with the functions used here.
constexpr jint VERSION_1_2 = 0x00010002;

struct NativeInterface;
struct Env {
  const NativeInterface* functions;
};

struct InvokeInterface;
struct VM {
  const InvokeInterface* functions;
};

// clang-format off
struct NativeInterface {
  void* reserved[4];                                                                        // 0
  jint (CARAFE_JNICALL* GetVersion)(Env*);                                                 // 4
  void* defineClass;                                                                       // 5
  jclass (CARAFE_JNICALL* FindClass)(Env*, const char*);                                   // 6
  void* slots7[8];
  jthrowable (CARAFE_JNICALL* ExceptionOccurred)(Env*);                                    // 15
  void (CARAFE_JNICALL* ExceptionDescribe)(Env*);                                          // 16
  void (CARAFE_JNICALL* ExceptionClear)(Env*);                                             // 17
  void* slots18[5];
  void (CARAFE_JNICALL* DeleteLocalRef)(Env*, jobject);                                    // 23
  void* slots24[6];
  jobject (CARAFE_JNICALL* NewObjectA)(Env*, jclass, jmethodID, const jvalue*);            // 30
  void* slots31[2];
  jmethodID (CARAFE_JNICALL* GetMethodID)(Env*, jclass, const char*, const char*);         // 33
  void* slots34[29];
  void (CARAFE_JNICALL* CallVoidMethodA)(Env*, jobject, jmethodID, const jvalue*);         // 63
  void* slots64[49];
  jmethodID (CARAFE_JNICALL* GetStaticMethodID)(Env*, jclass, const char*, const char*);   // 113
  void* slots114[2];
  jobject (CARAFE_JNICALL* CallStaticObjectMethodA)(Env*, jclass, jmethodID,
                                                    const jvalue*);                        // 116
  void* slots117[26];
  void (CARAFE_JNICALL* CallStaticVoidMethodA)(Env*, jclass, jmethodID, const jvalue*);    // 143
  jfieldID (CARAFE_JNICALL* GetStaticFieldID)(Env*, jclass, const char*, const char*);     // 144
  void* slots145[1];
  jboolean (CARAFE_JNICALL* GetStaticBooleanField)(Env*, jclass, jfieldID);                // 146
  void* slots147[20];
  jstring (CARAFE_JNICALL* NewStringUTF)(Env*, const char*);                               // 167
  void* slots168[4];
  jobjectArray (CARAFE_JNICALL* NewObjectArray)(Env*, jsize, jclass, jobject);             // 172
  void* slots173[1];
  void (CARAFE_JNICALL* SetObjectArrayElement)(Env*, jobjectArray, jsize, jobject);        // 174
  void* slots175[1];
  jbyteArray (CARAFE_JNICALL* NewByteArray)(Env*, jsize);                                  // 176
  void* slots177[31];
  void (CARAFE_JNICALL* SetByteArrayRegion)(Env*, jbyteArray, jsize, jsize, const jbyte*); // 208
  void* slots209[25];
};
static_assert(offsetof(NativeInterface, FindClass) == 6 * sizeof(void*), "FindClass");
static_assert(offsetof(NativeInterface, GetMethodID) == 33 * sizeof(void*), "GetMethodID");
static_assert(offsetof(NativeInterface, GetStaticMethodID) == 113 * sizeof(void*), "static");
static_assert(offsetof(NativeInterface, NewStringUTF) == 167 * sizeof(void*), "NewStringUTF");
static_assert(offsetof(NativeInterface, SetByteArrayRegion) == 208 * sizeof(void*), "region");
static_assert(sizeof(NativeInterface) == 234 * sizeof(void*), "the whole table");

struct InvokeInterface {
  void* reserved[3];
  jint (CARAFE_JNICALL* DestroyJavaVM)(VM*);                                               // 3
  jint (CARAFE_JNICALL* AttachCurrentThread)(VM*, void**, void*);                          // 4
  jint (CARAFE_JNICALL* DetachCurrentThread)(VM*);                                         // 5
  jint (CARAFE_JNICALL* GetEnv)(VM*, void**, jint);                                        // 6
  jint (CARAFE_JNICALL* AttachCurrentThreadAsDaemon)(VM*, void**, void*);                  // 7
};
// clang-format on

struct VMOption {
  char* optionString;
  void* extraInfo;  // with "exit" and "abort": the hook
};

struct VMInitArgs {
  jint version;
  jint nOptions;
  VMOption* options;
  jboolean ignoreUnrecognized;
};

// The arguments of the first interface version: the library reports the
// stack size of its Java threads in them.
struct InitArgs11 {
  jint version;
  char** properties;
  jint checkSource;
  jint nativeStackSize;
  jint javaStackSize;
  jint unused[32];  // fields the launcher does not read
};

using CreateJavaVM = jint(CARAFE_JNICALL*)(VM**, void**, void*);
using GetDefaultJavaVMInitArgs = jint(CARAFE_JNICALL*)(void*);
// Called when the virtual machine ends the process (System.exit) with the
// code, and when it aborts; neither may return before the process has ended.
using ExitHook = void(CARAFE_JNICALL*)(jint);
using AbortHook = void(CARAFE_JNICALL*)();

// What a system's half gives the common start.
struct Library {
  CreateJavaVM createJavaVM = nullptr;
  GetDefaultJavaVMInitArgs defaultInitArgs = nullptr;  // may be missing
  ExitHook exitHook = nullptr;
  AbortHook abortHook = nullptr;
};

// The stack size of the thread that runs main: the command's -Xss, else the
// library's default for Java threads; 0 leaves it to the system.
std::size_t mainThreadStackSize(const Library& library, const JavaInside& java);

// On the thread made for it: creates the virtual machine with the command's
// options and runs the main class as the java command does, then waits for
// the last non-daemon thread and destroys the machine. Returns the exit code:
// 0, or 1 when main ended with an exception (whose stack trace is printed),
// when the main class cannot be run, or when the machine refuses its options.
// An exit through System.exit (or a crash) ends in the hooks instead.
int runApplication(const Library& library, const JavaInside& java);

// Set once the virtual machine has been created: an abort before that is a
// failed start (exit code 1), after it a crash.
bool virtualMachineCreated();

// Whether a crash of the machine dumps core, as its options say.
bool dumpsCoreOnCrash(const JavaInside& java);

// text as modified UTF-8, the encoding of NewStringUTF: characters beyond
// the 16-bit range as two surrogates, and a byte that begins no valid UTF-8
// sequence taken as the character of its value.
std::string modifiedUtf8(const std::string& text);

}  // namespace carafe::platform::jni
