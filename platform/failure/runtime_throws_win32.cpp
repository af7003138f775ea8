// The C++ runtime raises its own failures (memory exhausted, a text that would grow too long, an
// index out of range) through these helpers. The library's own versions build std::logic_error
// and its kin, whose messages bring a second, copy-on-write string implementation of some 45 KB
// into the program. These raise the same failures without it: std::bad_alloc and the other
// exceptions of <new> and <typeinfo> as they are, and the rest as the program's own Exception
// with the library's message, which the failure report shows exactly as it would have.
// Every helper the library defines in that one place is defined here, so that the linker never
// needs the library's version of any of them.
#include <exception>
#include <new>
#include <typeinfo>

#include "platform/text/exception.h"

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* message) { throw Exception(message); }
void __throw_domain_error(const char* message) { throw Exception(message); }
void __throw_invalid_argument(const char* message) { throw Exception(message); }
void __throw_length_error(const char* message) { throw Exception(message); }
void __throw_out_of_range(const char* message) { throw Exception(message); }
// The message is a printf format; its arguments add detail the report does without.
void __throw_out_of_range_fmt(const char* format, ...) { throw Exception(format); }
void __throw_runtime_error(const char* message) { throw Exception(message); }
void __throw_range_error(const char* message) { throw Exception(message); }
void __throw_overflow_error(const char* message) { throw Exception(message); }
void __throw_underflow_error(const char* message) { throw Exception(message); }

}  // namespace std
