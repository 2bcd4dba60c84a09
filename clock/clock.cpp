// The clock subsystem; its windows register themselves from app/register_windows.cpp.
