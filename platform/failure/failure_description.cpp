#include "platform/failure/failure.h"

#include <new>

#include "platform/text/exception.h"

FailureDescription describeFailure(std::exception_ptr failure) {
    if (!failure) return {"Exception", "", nullptr};
    try {
        std::rethrow_exception(failure);
    } catch (const Exception& raised) {
        return {raised.className(), raised.message(), raised.raiseAddress()};
    } catch (const std::bad_alloc&) {
        return {"EOutOfMemory", "Out of memory", nullptr};
    } catch (const std::exception& raised) {
        return {"Exception", raised.what(), nullptr};
    } catch (...) {
        return {"Exception", "", nullptr};
    }
}
