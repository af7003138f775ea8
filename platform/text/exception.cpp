#include "platform/text/exception.h"

#include <utility>

__attribute__((noinline)) Exception::Exception(std::string message)
    : message_(std::move(message)), raiseAddress_(ISRELOC_CALLER_ADDRESS()) {}

Exception::Exception(std::string message, const void* raiseAddress)
    : message_(std::move(message)), raiseAddress_(raiseAddress) {}
