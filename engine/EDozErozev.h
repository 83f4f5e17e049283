// The engine's exception: a text, whether it is to be shown in a message box, and its message id.
// Engine routines raise it deep inside an operation; every operation catches it at its outer level
// and reports it, so it never reaches the application.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

#include "engine/FormatText.h"

namespace ruvu {

// A disk number to fill into the text of an id.
struct DiskArg {
    int32_t number;
};
// A drive to fill into the text of an id.
struct DriveArg {
    std::string drive;
};

class EDozErozev : public std::exception {
  public:
    // The text of id; "id = <id> " and the fallback line when the id has no text.
    EDozErozev(int32_t id, bool display);
    // The text of id formatted with the arguments; shown.
    EDozErozev(int32_t id, std::initializer_list<FormatArg> args);
    // The text of id formatted with a disk number; shown.
    EDozErozev(int32_t id, DiskArg disk);
    // The text of id formatted with a drive; shown.
    EDozErozev(int32_t id, DriveArg drive);
    // A text as given, without an id (0).
    EDozErozev(std::string text, bool display);

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    // Appends to the text (the engine adds the text of an exception caught in an event handler).
    void AppendMessage(const std::string& text) { message_ += text; }
    bool DisplayMsg() const { return display_; }
    int32_t ResId() const { return resId_; }

  private:
    std::string message_;
    bool display_ = true;
    int32_t resId_ = 0;
};

}  // namespace ruvu
