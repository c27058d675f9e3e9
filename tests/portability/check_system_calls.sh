#!/usr/bin/env bash
# Every call into the operating system lives in platform/ (and the feed server's in
# feedsim/posix/ and feedsim/windows/): the rest of the code is the same on Linux and Windows.
# Fails, naming file and line, where a source outside those folders includes a header of POSIX or
# of Windows, or calls a POSIX function. Tests, benchmarks and fuzz programs may use the system
# for their own ends and are not looked at.
# Usage: check_system_calls.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 2

folders=(base draws engine stats report commands launch web cli feedsim ui app)
headers='unistd|fcntl|signal|pthread|termios|dirent|spawn|poll|netdb|dlfcn|pwd|grp|iconv|syslog|libgen|sys/[a-z_]+|netinet/[a-z_]+|arpa/[a-z_]+|windows|winsock2|ws2tcpip|winhttp|shellapi|io|process|direct'
calls='fork|vfork|execv|execve|execvp|execl|execlp|waitpid|wait3|wait4|getpid|getppid|pipe|pipe2|dup|dup2|mmap|munmap|mkdtemp|mkstemp|realpath|readlink|symlink|setenv|unsetenv|putenv|isatty|sigaction|sigprocmask|sigwait|sigtimedwait|raise_signal|pthread_[a-z_]+|posix_spawnp?|localtime_r|gmtime_r|strerror_r|getuid|geteuid|setpriority|nice|prctl|ioctl|tcgetattr|tcsetattr|usleep|sleep|alarm|chmod|fchmod|chown|fsync|fdatasync|access|unlink|rmdir|opendir|readdir|closedir|popen|pclose|getenv|setlocale|fopen'

files=$(find "${folders[@]}" \( -path feedsim/posix -o -path feedsim/windows \) -prune -o \
             -type f \( -name '*.cpp' -o -name '*.h' \) -print 2> /dev/null | LC_ALL=C sort)
found=0
for file in $files; do
    # Comments and string literals are not code: they are blanked before the calls are looked for.
    # std::getenv, std::system and std::fopen count too: on Windows they take the ANSI code page.
    hits=$(sed -E 's#//.*$##; s#"([^"\\]|\\.)*"#""#g' "$file" |
        grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)\.h>|(^|[^A-Za-z0-9_.>:])(::)?($calls)[[:space:]]*\(|std::(getenv|system|fopen)[[:space:]]*\(" )
    if [ -n "$hits" ]; then
        while IFS= read -r hit; do
            echo "$file:$hit"
        done <<< "$hits"
        found=$((found + 1))
    fi
done
if [ "$found" -ne 0 ]; then
    echo "FAILED: system calls outside platform/ in $found files; put them behind an interface there"
    exit 1
fi
echo "ok: $(wc -w <<< "$files") files make no system call of their own"
