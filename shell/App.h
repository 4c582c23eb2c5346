#pragma once

#include "framework/Runtime.h"

// The application class: the framework's application object, adding nothing.
class App : public fw::Application {};
