#include "errors/exceptions.h"

#include <cstring>

EOutOfMemory* OutOfMemoryObject = nullptr;
EInvalidPointer* InvalidPointerObject = nullptr;

Exception::Exception(std::string_view message)
    : MessageLength(message.size() < kMessageCapacity ? message.size() : kMessageCapacity - 1) {
  if (MessageLength != 0) std::memcpy(MessageText, message.data(), MessageLength);
}
