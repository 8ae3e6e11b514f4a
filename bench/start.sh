#!/bin/sh
# A start script as Java applications commonly ship one: it finds the
# application's directory and Java, puts every jar of lib/ on the classpath and
# hands over to Java. Used as the comparison for the launcher's start time.
#
# Layout: <app>/start.sh, <app>/lib/*.jar; Java from JAVA_HOME, else from PATH.

app_home=$(cd "$(dirname "$0")" && pwd -P) || exit 1

if [ -n "$JAVA_HOME" ]; then
  java_command=$JAVA_HOME/bin/java
  if [ ! -x "$java_command" ]; then
    echo "JAVA_HOME is set to an invalid directory: $JAVA_HOME" >&2
    exit 1
  fi
else
  java_command=java
  if ! command -v java >/dev/null 2>&1; then
    echo "No JAVA_HOME is set and no java command is on PATH." >&2
    exit 1
  fi
fi

classpath=$app_home/classes
for jar in "$app_home"/lib/*.jar; do
  [ -f "$jar" ] && classpath=$classpath:$jar
done

exec "$java_command" -Xms32m -Xmx512m -Dapp.home="$app_home" -Dapp.user="$HOME" \
  -classpath "$classpath" com.example.app.Main "$@"
