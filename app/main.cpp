// Entry point of the updater.
#include "app/KestrelApp.h"
#include "sys/Process.h"

namespace {
// Exactly one application object, created during static initialisation.
kestrel::CKestrelApp theApp;
} // namespace

int main(int argc, char** argv) {
    if (!theApp.InitInstance(sys::CommandLineArguments(argc, argv))) {
        sys::ExitProcess(0);
    }
    return 0;
}
