// The place and the call that the engine exception thrown by a call names.
#pragma once

#include "qzexceptions.h"

#include <string>

template <typename Exception = qzWindowsException, typename Call> std::string Failure(Call&& call) {
    try {
        call();
    } catch (const Exception& failure) {
        return std::string(failure.where) + " " + failure.call;
    }
    return "no exception";
}
