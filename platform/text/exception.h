#pragma once
// The failure objects of the system: a class name as declared, a message, and the code
// address at which the failure was raised, which the unhandled-failure report shows.
#include <string>

class Exception {
public:
    // Captures the caller's address as the raise address; throw sites construct in place.
    explicit Exception(std::string message);
    virtual ~Exception() = default;

    // The class name exactly as declared, never a compiler-mangled name.
    virtual const char* className() const { return "Exception"; }
    const std::string& message() const { return message_; }
    // Code address of the throw site, or null when it is not known.
    const void* raiseAddress() const { return raiseAddress_; }

protected:
    Exception(std::string message, const void* raiseAddress);

private:
    std::string message_;
    const void* raiseAddress_;
};

// Each subclass constructor is kept out of line and not inlined, so that its return address
// is the throw site. They pass ISRELOC_CALLER_ADDRESS() to the protected constructor.
#define ISRELOC_CALLER_ADDRESS() (__builtin_extract_return_addr(__builtin_return_address(0)))
