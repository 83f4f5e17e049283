#include "app/DialogResults.h"

namespace ruvu {

DialogResults& Results() {
    static DialogResults results;
    return results;
}

}  // namespace ruvu
