#include "ui/tollvane_app.h"

namespace {
CTollvaneApp theApp;
}

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
