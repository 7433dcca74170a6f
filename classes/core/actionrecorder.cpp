#include "actionrecorder.h"

ActionRecorder::~ActionRecorder() = default;
