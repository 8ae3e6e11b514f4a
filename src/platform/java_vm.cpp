#include "platform/java_vm.h"

#include <atomic>
#include <cstdio>
#include <vector>

namespace carafe::platform::jni {

namespace {

std::atomic<bool> created{false};

// The launcher's helper class of the runtime (Java 7 and later): it loads
// the main class as the java command does, with its messages, and makes the
// platform's strings.
struct Helper {
  jclass helperClass = nullptr;
  jmethodID checkAndLoadMain = nullptr;
  jmethodID makePlatformString = nullptr;
};

// Clears a pending exception that only tells that something optional is
// missing (a method or field of a newer runtime).
template <typename T>
T orNothing(Env* env, T found) {
  if (found == nullptr) env->functions->ExceptionClear(env);
  return found;
}

Helper findHelper(Env* env) {
  Helper helper;
  const NativeInterface& f = *env->functions;
  helper.helperClass = orNothing(env, f.FindClass(env, "sun/launcher/LauncherHelper"));
  if (helper.helperClass == nullptr) return helper;
  helper.checkAndLoadMain =
      orNothing(env, f.GetStaticMethodID(env, helper.helperClass, "checkAndLoadMain",
                                         "(ZILjava/lang/String;)Ljava/lang/Class;"));
  helper.makePlatformString =
      orNothing(env, f.GetStaticMethodID(env, helper.helperClass, "makePlatformString",
                                         "(Z[B)Ljava/lang/String;"));
  return helper;
}

// A text of the launcher's (a main class, an argument) as a Java string,
// decoded as the java command decodes its command line.
jstring javaString(Env* env, const Helper& helper, const std::string& text) {
  const NativeInterface& f = *env->functions;
  if (helper.makePlatformString == nullptr) {
    return f.NewStringUTF(env, modifiedUtf8(text).c_str());
  }
  const jsize length = static_cast<jsize>(text.size());
  const jbyteArray bytes = f.NewByteArray(env, length);
  if (bytes == nullptr) return nullptr;
  f.SetByteArrayRegion(env, bytes, 0, length, reinterpret_cast<const jbyte*>(text.data()));
  jvalue arguments[2];
  arguments[0].z = 1;
  arguments[1].l = bytes;
  const jstring result = static_cast<jstring>(
      f.CallStaticObjectMethodA(env, helper.helperClass, helper.makePlatformString, arguments));
  f.DeleteLocalRef(env, bytes);
  return result;
}

// The main class: loaded and checked by the helper, which prints the java
// command's messages (and ends the machine when it cannot be loaded), or
// found by name where the runtime has no helper.
jclass loadMainClass(Env* env, const Helper& helper, const std::string& name) {
  const NativeInterface& f = *env->functions;
  if (helper.checkAndLoadMain == nullptr) {
    std::string binaryName = name;
    for (char& c : binaryName) {
      if (c == '.') c = '/';
    }
    return f.FindClass(env, binaryName.c_str());
  }
  const jstring what = javaString(env, helper, name);
  if (what == nullptr) return nullptr;
  jvalue arguments[3];
  arguments[0].z = 1;  // messages on standard error
  arguments[1].i = 1;  // a class name, not a jar file
  arguments[2].l = what;
  return static_cast<jclass>(
      f.CallStaticObjectMethodA(env, helper.helperClass, helper.checkAndLoadMain, arguments));
}

// A flag the helper of newer runtimes sets for the main class it loaded (an
// instance main, a main without arguments); absent in older ones.
bool helperFlag(Env* env, const Helper& helper, const char* name, bool otherwise) {
  const NativeInterface& f = *env->functions;
  if (helper.checkAndLoadMain == nullptr) return otherwise;
  const jfieldID field = orNothing(env, f.GetStaticFieldID(env, helper.helperClass, name, "Z"));
  if (field == nullptr) return otherwise;
  return f.GetStaticBooleanField(env, helper.helperClass, field) != 0;
}

jobjectArray argumentArray(Env* env, const Helper& helper,
                           const std::vector<std::string>& arguments) {
  const NativeInterface& f = *env->functions;
  const jclass stringClass = f.FindClass(env, "java/lang/String");
  if (stringClass == nullptr) return nullptr;
  const jobjectArray array =
      f.NewObjectArray(env, static_cast<jsize>(arguments.size()), stringClass, nullptr);
  if (array == nullptr) return nullptr;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const jstring argument = javaString(env, helper, arguments[i]);
    if (argument == nullptr) return nullptr;
    f.SetObjectArrayElement(env, array, static_cast<jsize>(i), argument);
    f.DeleteLocalRef(env, argument);
  }
  return array;
}

// Runs main as the java command does; false when it could not be run or
// ended with an exception, which stays pending.
bool runMain(Env* env, const JavaInside& java) {
  const NativeInterface& f = *env->functions;
  const Helper helper = findHelper(env);
  const jclass mainClass = loadMainClass(env, helper, java.mainClass);
  if (mainClass == nullptr || f.ExceptionOccurred(env) != nullptr) {
    f.ExceptionDescribe(env);
    return false;
  }
  const jobjectArray arguments = argumentArray(env, helper, java.arguments);
  if (arguments == nullptr) {
    f.ExceptionDescribe(env);
    return false;
  }
  const bool isStatic = helperFlag(env, helper, "isStaticMain", true);
  const bool withoutArguments = helperFlag(env, helper, "noArgMain", false);
  const char* signature = withoutArguments ? "()V" : "([Ljava/lang/String;)V";
  jvalue mainArguments[1];
  mainArguments[0].l = arguments;
  if (isStatic) {
    const jmethodID main = f.GetStaticMethodID(env, mainClass, "main", signature);
    if (main == nullptr) {
      f.ExceptionDescribe(env);
      return false;
    }
    f.CallStaticVoidMethodA(env, mainClass, main, mainArguments);
  } else {
    const jmethodID constructor = f.GetMethodID(env, mainClass, "<init>", "()V");
    const jobject instance =
        constructor == nullptr ? nullptr : f.NewObjectA(env, mainClass, constructor, nullptr);
    const jmethodID main =
        instance == nullptr ? nullptr : f.GetMethodID(env, mainClass, "main", signature);
    if (main == nullptr) {
      f.ExceptionDescribe(env);
      return false;
    }
    f.CallVoidMethodA(env, instance, main, mainArguments);
  }
  return f.ExceptionOccurred(env) == nullptr;
}

}  // namespace

std::size_t mainThreadStackSize(const Library& library, const JavaInside& java) {
  if (java.stackSize != 0) return java.stackSize;
  if (library.defaultInitArgs == nullptr) return 0;
  InitArgs11 defaults{};
  defaults.version = VERSION_1_1;
  // The result tells that the first version is not supported any more; the
  // stack size is reported all the same.
  library.defaultInitArgs(&defaults);
  return defaults.javaStackSize > 0 ? static_cast<std::size_t>(defaults.javaStackSize) : 0;
}

int runApplication(const Library& library, const JavaInside& java) {
  std::vector<VMOption> options;
  for (const std::string& option : java.options) {
    options.push_back({const_cast<char*>(option.c_str()), nullptr});
  }
  char exitName[] = "exit";
  char abortName[] = "abort";
  options.push_back({exitName, reinterpret_cast<void*>(library.exitHook)});
  options.push_back({abortName, reinterpret_cast<void*>(library.abortHook)});
  VMInitArgs arguments{};
  arguments.version = VERSION_1_2;
  arguments.nOptions = static_cast<jint>(options.size());
  arguments.options = options.data();
  arguments.ignoreUnrecognized = 0;  // a wrong option fails, as with the java command

  VM* vm = nullptr;
  Env* env = nullptr;
  if (library.createJavaVM(&vm, reinterpret_cast<void**>(&env), &arguments) != OK) {
    // The machine has said what it refused.
    std::fputs(
        "Error: Could not create the Java Virtual Machine.\n"
        "Error: A fatal exception has occurred. Program will exit.\n",
        stderr);
    std::fflush(stderr);
    return 1;
  }
  created = true;
  const int exitCode = runMain(env, java) ? 0 : 1;
  // Detaching prints an exception that main left, as "Exception in thread
  // "main" ..."; destroying waits for the last non-daemon thread and runs
  // the shutdown hooks.
  vm->functions->DetachCurrentThread(vm);
  vm->functions->DestroyJavaVM(vm);
  return exitCode;
}

bool virtualMachineCreated() { return created; }

bool dumpsCoreOnCrash(const JavaInside& java) {
  bool dumps = true;
  for (const std::string& option : java.options) {
    if (option == "-XX:+CreateCoredumpOnCrash") dumps = true;
    if (option == "-XX:-CreateCoredumpOnCrash") dumps = false;
  }
  return dumps;
}

std::string modifiedUtf8(const std::string& text) {
  std::string result;
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto continues = [&](std::size_t i) { return i < text.size() && (byte(i) & 0xC0) == 0x80; };
  const auto append = [&result](unsigned long c) {
    if (c != 0 && c < 0x80) {
      result += static_cast<char>(c);
    } else if (c < 0x800) {
      result += static_cast<char>(0xC0 | (c >> 6));
      result += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      result += static_cast<char>(0xE0 | (c >> 12));
      result += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    unsigned long c = lead;
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF && continues(i + 1)) {
      c = ((lead & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF && continues(i + 1) && continues(i + 2)) {
      c = ((lead & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
      length = c >= 0x800 ? 3 : 1;
    } else if (lead >= 0xF0 && lead <= 0xF4 && continues(i + 1) && continues(i + 2) &&
               continues(i + 3)) {
      c = ((lead & 0x07ul) << 18) | ((byte(i + 1) & 0x3Ful) << 12) | ((byte(i + 2) & 0x3Ful) << 6) |
          (byte(i + 3) & 0x3Ful);
      length = c >= 0x10000 && c <= 0x10FFFF ? 4 : 1;
    }
    if (length == 1) c = lead;
    if (c >= 0x10000) {
      append(0xD800 + ((c - 0x10000) >> 10));
      append(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      append(c);
    }
    i += length;
  }
  return result;
}

}  // namespace carafe::platform::jni
