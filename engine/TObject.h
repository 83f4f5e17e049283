// The common base of objects that raise events: every event passes its Sender as a TObject*. The
// component derives from it, and so can whatever owns the component (the main window).
#pragma once

namespace ruvu {

class TObject {
  public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

}  // namespace ruvu
