#pragma once

#include <stdexcept>
#include <string>

namespace fw {

// The root of every error the framework raises. An exception that escapes an
// event handler is shown by UnhandledException and the event loop goes on.
class RuntimeException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operating-system read or write error, or a write the stream refuses
// because it would touch a byte outside the file.
class IOException : public RuntimeException {
public:
    using RuntimeException::RuntimeException;
};

// A reference that had to name an object was empty, or named an object of
// another class than the one asked for.
class NilObjectException : public RuntimeException {
public:
    using RuntimeException::RuntimeException;
};

// A value that the called operation cannot take, such as a length-prefixed
// text longer than one length byte can count.
class OutOfBoundsException : public RuntimeException {
public:
    using RuntimeException::RuntimeException;
};

// A design-time property list that names an unknown property, ends inside an
// entry, or holds a value of the wrong size. The message names the property.
class PropertyListException : public RuntimeException {
public:
    using RuntimeException::RuntimeException;
};

}  // namespace fw
