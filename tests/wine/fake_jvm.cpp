// A stand-in for a runtime's bin\server\jvm.dll: it records what the launcher
// gives the virtual machine and the calls it makes, and ends as the test asks.
// The record goes where the fake java.exe writes its own (the same fields
// where they mean the same), one start ending in "end":
//
//   module=    this DLL's path         process=  the program it runs in
//   crt=       the C runtime DLL that the system loaded for it
//   directory= the current directory   option=   each virtual machine option
//   hooks=     the hooks given         main=     the main class
//   argv=      each argument of main   stack=    the reserved stack of main's thread
//
// CARAFE_FAKE_JAVA_RECORD  file to append the record to (else record.txt beside itself)
// CARAFE_FAKE_JAVA_EXIT    a code to end with through the exit hook, as System.exit
//                          ("crash": a crash report hs_err_pid<N>.log in the current
//                          directory, then the abort hook and the end with 1, as the
//                          machine crashes on Windows)
//                          does; "refuse" to refuse the options, as with a wrong one;
//                          "throw" to end main with an exception
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "crash_report.h"
#include "platform/java_vm.h"

extern "C" __declspec(dllimport) const wchar_t* fake_crt_module();

namespace {

using namespace carafe::platform::jni;

struct Thing {
  std::string text;               // a string's bytes, a class's name
  std::vector<jobject> elements;  // an array's
};

std::string utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string result(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size - 1));
  return result;
}

std::string environment(const char* name) {
  char value[256] = "";
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value) : std::string();
}

std::wstring recordPath() {
  wchar_t path[MAX_PATH * 2];
  const DWORD length = GetEnvironmentVariableW(L"CARAFE_FAKE_JAVA_RECORD", path, MAX_PATH * 2);
  if (length > 0 && length < MAX_PATH * 2) return path;
  return L"record.txt";
}

std::string record;

void note(const std::string& line) { record += line + "\n"; }

void writeRecord() {
  std::FILE* file = _wfopen(recordPath().c_str(), L"ab");
  if (file == nullptr) return;
  std::fputs(record.c_str(), file);
  std::fclose(file);
  record.clear();
}

std::string modulePath(HMODULE module) {
  wchar_t path[MAX_PATH * 2] = L"";
  GetModuleFileNameW(module, path, MAX_PATH * 2);
  return utf8(path);
}

HMODULE self() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&record), &module);
  return module;
}

ExitHook exitHook = nullptr;
AbortHook abortHook = nullptr;
jobject pending = nullptr;  // the exception pending, if any

Thing helperClass{"sun/launcher/LauncherHelper", {}};
Thing stringClass{"java/lang/String", {}};
Thing mainClass;
Thing exception{"fake.Failure", {}};
Method* const CHECK_AND_LOAD_MAIN = reinterpret_cast<Method*>(1);
Method* const MAKE_PLATFORM_STRING = reinterpret_cast<Method*>(2);
Method* const MAIN = reinterpret_cast<Method*>(3);

jobject object(Thing* o) { return reinterpret_cast<jobject>(o); }
Thing* fromObject(jobject o) { return reinterpret_cast<Thing*>(o); }

jclass CARAFE_JNICALL findClass(Env*, const char* name) {
  if (std::strcmp(name, helperClass.text.c_str()) == 0) return object(&helperClass);
  if (std::strcmp(name, stringClass.text.c_str()) == 0) return object(&stringClass);
  note(std::string("missing class=") + name);
  pending = object(&exception);
  return nullptr;
}

jthrowable CARAFE_JNICALL exceptionOccurred(Env*) { return pending; }
void CARAFE_JNICALL exceptionDescribe(Env*) {
  if (pending != nullptr) std::fputs("fake.Failure\n", stderr);
  pending = nullptr;
}
void CARAFE_JNICALL exceptionClear(Env*) { pending = nullptr; }
void CARAFE_JNICALL deleteLocalRef(Env*, jobject) {}

jmethodID CARAFE_JNICALL getStaticMethodID(Env*, jclass type, const char* name, const char*) {
  if (fromObject(type) == &helperClass && std::strcmp(name, "checkAndLoadMain") == 0) {
    return CHECK_AND_LOAD_MAIN;
  }
  if (fromObject(type) == &helperClass && std::strcmp(name, "makePlatformString") == 0) {
    return MAKE_PLATFORM_STRING;
  }
  if (fromObject(type) == &mainClass && std::strcmp(name, "main") == 0) return MAIN;
  pending = object(&exception);
  return nullptr;
}

jobject CARAFE_JNICALL callStaticObjectMethodA(Env*, jclass, jmethodID method,
                                               const jvalue* arguments) {
  if (method == MAKE_PLATFORM_STRING) {
    return object(new Thing{fromObject(arguments[1].l)->text, {}});
  }
  if (method == CHECK_AND_LOAD_MAIN) {
    mainClass.text = fromObject(arguments[2].l)->text;
    note("main=" + mainClass.text);
    return object(&mainClass);
  }
  return nullptr;
}

// A new thread's stack is reserved whole: its size is what the launcher asked for.
std::string stackReserve() {
  using Limits = void(WINAPI*)(PULONG_PTR, PULONG_PTR);
  const auto limits = reinterpret_cast<Limits>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentThreadStackLimits")));
  if (limits == nullptr) return "unknown";
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  limits(&low, &high);
  return std::to_string(high - low);
}

void CARAFE_JNICALL callStaticVoidMethodA(Env*, jclass, jmethodID method, const jvalue* arguments) {
  if (method != MAIN) return;
  for (jobject argument : fromObject(arguments[0].l)->elements) {
    note("argv=" + fromObject(argument)->text);
  }
  note("stack=" + stackReserve());
  note("end");
  writeRecord();
  const std::string ending = environment("CARAFE_FAKE_JAVA_EXIT");
  if (ending == "throw") {
    pending = object(&exception);
  } else if (ending == "crash" && abortHook != nullptr) {
    writeCrashReport();
    abortHook();
    ExitProcess(1);
  } else if (!ending.empty() && exitHook != nullptr) {
    // As the machine ends the process: the hook first, then the end.
    const jint code = static_cast<jint>(std::strtoul(ending.c_str(), nullptr, 10));
    exitHook(code);
    ExitProcess(static_cast<UINT>(code));
  }
}

jfieldID CARAFE_JNICALL getStaticFieldID(Env*, jclass, const char*, const char*) {
  pending = object(&exception);  // an older runtime's helper: no such field
  return nullptr;
}

jobjectArray CARAFE_JNICALL newObjectArray(Env*, jsize length, jclass, jobject) {
  return object(new Thing{"", std::vector<jobject>(static_cast<std::size_t>(length))});
}

void CARAFE_JNICALL setObjectArrayElement(Env*, jobjectArray array, jsize index, jobject value) {
  fromObject(array)->elements.at(static_cast<std::size_t>(index)) = value;
}

jbyteArray CARAFE_JNICALL newByteArray(Env*, jsize length) {
  return object(new Thing{std::string(static_cast<std::size_t>(length), '\0'), {}});
}

void CARAFE_JNICALL setByteArrayRegion(Env*, jbyteArray array, jsize start, jsize length,
                                       const jbyte* bytes) {
  fromObject(array)->text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(length),
                                  reinterpret_cast<const char*>(bytes),
                                  static_cast<std::size_t>(length));
}

jstring CARAFE_JNICALL newStringUTF(Env*, const char* text) { return object(new Thing{text, {}}); }

jint CARAFE_JNICALL detachCurrentThread(VM*) {
  if (pending != nullptr) std::fputs("Exception in thread \"main\" fake.Failure\n", stderr);
  pending = nullptr;
  return OK;
}

jint CARAFE_JNICALL destroyJavaVM(VM*) { return OK; }

NativeInterface nativeInterface() {
  NativeInterface table{};
  table.FindClass = findClass;
  table.ExceptionOccurred = exceptionOccurred;
  table.ExceptionDescribe = exceptionDescribe;
  table.ExceptionClear = exceptionClear;
  table.DeleteLocalRef = deleteLocalRef;
  table.GetStaticMethodID = getStaticMethodID;
  table.CallStaticObjectMethodA = callStaticObjectMethodA;
  table.CallStaticVoidMethodA = callStaticVoidMethodA;
  table.GetStaticFieldID = getStaticFieldID;
  table.NewObjectArray = newObjectArray;
  table.SetObjectArrayElement = setObjectArrayElement;
  table.NewByteArray = newByteArray;
  table.SetByteArrayRegion = setByteArrayRegion;
  table.NewStringUTF = newStringUTF;
  return table;
}

const NativeInterface NATIVE_INTERFACE = nativeInterface();
Env env{&NATIVE_INTERFACE};

InvokeInterface invokeInterface() {
  InvokeInterface table{};
  table.DetachCurrentThread = detachCurrentThread;
  table.DestroyJavaVM = destroyJavaVM;
  return table;
}

const InvokeInterface INVOKE_INTERFACE = invokeInterface();
VM vm{&INVOKE_INTERFACE};

}  // namespace

extern "C" __declspec(dllexport) jint CARAFE_JNICALL JNI_GetDefaultJavaVMInitArgs(void* arguments) {
  InitArgs11* defaults = static_cast<InitArgs11*>(arguments);
  defaults->javaStackSize = 1024 * 1024;
  return -1;
}

extern "C" __declspec(dllexport) jint CARAFE_JNICALL
    JNI_CreateJavaVM(VM** created, void** env_, void* arguments) {
  const VMInitArgs* init = static_cast<const VMInitArgs*>(arguments);
  note("module=" + modulePath(self()));
  note("process=" + modulePath(nullptr));
  note("crt=" + utf8(fake_crt_module()));
  wchar_t directory[MAX_PATH * 2] = L"";
  GetCurrentDirectoryW(MAX_PATH * 2, directory);
  note("directory=" + utf8(directory));
  std::string hooks;
  for (jint i = 0; i < init->nOptions; ++i) {
    const std::string option = init->options[i].optionString;
    if (option == "exit") exitHook = reinterpret_cast<ExitHook>(init->options[i].extraInfo);
    if (option == "abort") abortHook = reinterpret_cast<AbortHook>(init->options[i].extraInfo);
    if (option == "exit" || option == "abort") {
      hooks += (hooks.empty() ? "" : ",") + option;
    } else {
      note("option=" + option);
    }
  }
  note("hooks=" + hooks);
  if (environment("CARAFE_FAKE_JAVA_EXIT") == "refuse") {
    note("end");
    writeRecord();
    std::fputs("Unrecognized option: -Xfake\n", stderr);
    return -1;
  }
  *created = &vm;
  *env_ = &env;
  return OK;
}
