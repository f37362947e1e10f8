// The one application object; the class library's WinMain runs it.
#include "app/DiskApp.h"

CDiskApp theApp;
