#include "framework/WindowHost.h"

namespace {

struct TPlainHost final : TWindowHost {};

TPlainHost plainHost;
TWindowHost* registered = &plainHost; // not owned

} // namespace

TWindowHost& WindowHost() {
    return *registered;
}

void SetWindowHost(TWindowHost* host) {
    registered = host ? host : &plainHost;
}
