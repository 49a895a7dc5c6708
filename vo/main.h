// The show's main routine, run by the main thread once the framework is up.
#pragma once

void DemoMain();
