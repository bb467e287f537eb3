#include "com_object.h"

#include <atomic>

long long nextEventToken() {
    static std::atomic<long long> last{0};
    return ++last;
}
