# AddressSanitizer and ThreadSanitizer cannot share a process: the compiler refuses the pair.
if(KESTRUM_SANITIZE AND KESTRUM_TSAN)
    message(FATAL_ERROR "KESTRUM_SANITIZE (AddressSanitizer) and KESTRUM_TSAN (ThreadSanitizer) "
                        "cannot be combined: turn one of them off (the presets test and tsan "
                        "each set one).")
endif()

# One INTERFACE target carries the warning and strictness flags for every target.
add_library(kestrum_options INTERFACE)
target_compile_features(kestrum_options INTERFACE cxx_std_20)
target_compile_options(kestrum_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual)
if(KESTRUM_WERROR)
    target_compile_options(kestrum_options INTERFACE -Werror)
endif()
if(KESTRUM_GLIBCXX_ASSERTIONS)
    target_compile_definitions(kestrum_options INTERFACE _GLIBCXX_ASSERTIONS)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer for the test build. Every UB report aborts
# the test that caused it, so a silent overflow cannot pass.
if(KESTRUM_SANITIZE)
    set(_kestrum_san -fsanitize=address,undefined -fno-sanitize-recover=all
                     -fno-omit-frame-pointer)
    target_compile_options(kestrum_options INTERFACE ${_kestrum_san})
    target_link_options(kestrum_options INTERFACE ${_kestrum_san})
endif()

# ThreadSanitizer, for the tests of the threads that run commands and the window's.
if(KESTRUM_TSAN)
    target_compile_options(kestrum_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(kestrum_options INTERFACE -fsanitize=thread)
endif()

# Coverage for libFuzzer in every library the fuzz programs link. Without the comparison hooks
# (KESTRUM_FUZZ_COMPARISONS off) a program runs about twice as many inputs, guided by its edges
# alone: the differential search target, whose cost is in the walks, runs that way.
option(KESTRUM_FUZZ_COMPARISONS "libFuzzer's comparison hooks in the fuzzed libraries" ON)
if(KESTRUM_FUZZ)
    target_compile_options(kestrum_options INTERFACE -fsanitize=fuzzer-no-link)
    if(NOT KESTRUM_FUZZ_COMPARISONS)
        target_compile_options(kestrum_options INTERFACE -fno-sanitize-coverage=trace-cmp)
    endif()
endif()

# Windows programs: wide-character API names, Windows 10's API, and every library linked in
# (libstdc++, libgcc, winpthread), so that an .exe runs alone. Large objects need the big-object
# format.
if(WIN32)
    target_compile_definitions(kestrum_options INTERFACE
        UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
    # -Wrestrict: GCC 12 reports overlapping copies inside std::string that cannot happen
    # (its bug 105329), and only for this target.
    target_compile_options(kestrum_options INTERFACE -Wa,-mbig-obj -Wno-restrict)
    target_link_options(kestrum_options INTERFACE -static)
    set(OPENSSL_USE_STATIC_LIBS ON)
endif()
