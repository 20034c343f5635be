// Compiles the record model on the native build: the layout asserts that do not depend on
// the pointer size are checked here too.
#include "RecordModel.h"
