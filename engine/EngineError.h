// Exceptions raised by the engine; callers at the boundary turn them into messages.
#pragma once

#include <stdexcept>
#include <string>

namespace vantorel {

// A failure with a message meant for the user (profile files, invalid arguments, the design's messages).
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

// Cancellation of a running operation, raised from a progress handler. It is never reported as an error.
class OperationAborted : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

} // namespace vantorel

// A fatal error of the JPEG codec; the message is the codec's own text.
class EJPEG : public vantorel::EngineError {
public:
    explicit EJPEG(const std::string& message) : vantorel::EngineError(message) {}
};
