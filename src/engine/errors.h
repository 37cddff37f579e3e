// Typed errors raised by the engine. The shell catches them around each event
// and each tick and shows their message; game logic never catches them.
#pragma once

#include <stdexcept>
#include <string>

namespace brakkon::engine {

class EEngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

#define BRAKKON_ENGINE_ERROR(Name)              \
  class Name : public EEngineError {            \
   public:                                      \
    using EEngineError::EEngineError;           \
  }

BRAKKON_ENGINE_ERROR(EDXDrawError);             // display initialisation and presentation
BRAKKON_ENGINE_ERROR(EPictureCollectionError);  // picture look-up and initialisation
BRAKKON_ENGINE_ERROR(ESpriteError);             // sprite tree
BRAKKON_ENGINE_ERROR(EListError);               // list index out of bounds
BRAKKON_ENGINE_ERROR(EFOpenError);              // a file that cannot be opened
BRAKKON_ENGINE_ERROR(EInvalidImage);            // resource header of an archive
BRAKKON_ENGINE_ERROR(EReadError);               // component stream: format, truncation, properties
BRAKKON_ENGINE_ERROR(EInvalidGraphic);          // picture data

#undef BRAKKON_ENGINE_ERROR

}  // namespace brakkon::engine
