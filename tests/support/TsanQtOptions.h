#pragma once

// Qt is not built with ThreadSanitizer: its event loops (glib's) wake each other through eventfd
// descriptors and keep their event queues under locks the sanitizer cannot see, also between the
// threads QtNetwork makes for itself, which no code of ours can order. With
// ignore_noninstrumented_modules the sanitizer leaves out what Qt, glib and the TLS library do
// through its interceptors (descriptors, allocation) and still checks every access of our own
// code. Included once by the main of a program that runs QtNetwork under the sanitizer.
extern "C" const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}
