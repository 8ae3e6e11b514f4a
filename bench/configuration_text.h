// The configuration that the reading benchmarks read: a mix of every kind of
// line, so that each keyword, comment and reference takes its share.
#pragma once

#include <string>

namespace bench {

// One line of each kind, in turn: keywords with and without references,
// comments, blank lines, lines without a space and lines of no keyword.
inline std::string configurationLine(int number) {
  const std::string n = std::to_string(number);
  switch (number % 20) {
    case 0:
      return "# settings of part " + n + "\n";
    case 1:
      return "vmparam -Xmx" + n + "m\n";
    case 2:
      return "vmparam -Dapp.home=$APP_HOME\\conf\\" + n + "\n";
    case 3:
      return "addpath $JAVA_HOME\\lib\\tools" + n + ".jar\n";
    case 4:
      return "addpath lib/classes" + n + "\n";
    case 5:
      return "// a comment in the other style\n";
    case 6:
      return "addjar $TOOLS/lib/extra" + n + ".jar\r\n";
    case 7:
      return "argument --option=" + n + "\n";
    case 8:
      return "argument $HOME\\not\\expanded\n";
    case 9:
      return "\n";
    case 10:
      return "mainclass com.example.app.Main" + n + "\n";
    case 11:
      return "appname Example Application " + n + "\n";
    case 12:
      return "javapath $JAVA_HOME\\bin\\java\n";
    case 13:
      return "addjars $APP_HOME\\missing" + n + "\n";
    case 14:
      return "nospacehere" + n + "\n";
    case 15:
      return "unknown keyword with a value " + n + "\n";
    case 16:
      return "vmparam $NOT_SET\\x" + n + "\n";
    case 17:
      return "vmparams -Dtypo=" + n + "\n";
    case 18:
      return "addpath /usr/share/java/library-" + n + ".jar\n";
    default:
      return "argument \"quoted words " + n + "\"\n";
  }
}

inline std::string configuration(int lines) {
  std::string text;
  for (int number = 0; number < lines; ++number) text += configurationLine(number);
  return text;
}

}  // namespace bench
