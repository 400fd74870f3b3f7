// The path by which one installation is told from another: several roads
// (its own key, the JavaSoft keys, JAVA_HOME, PATH, a link) often name the
// same java.exe in different letter case, by its short name or through a
// link.
#pragma once

// The real path of the existing file path into realPath (kTextBufferSize
// bytes): links followed, long names and the letter case that the file
// system stores, in ANSI (its short form where the code page cannot hold
// it). False when the file cannot be opened or named so.
bool GetRealPath(const char* path, char* realPath);
