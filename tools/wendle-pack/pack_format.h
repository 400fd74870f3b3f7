// The payload library of wendle-pack in one include: the layout both sides
// share (payload_layout.h), the reader that walks a packed file the way the
// launcher does (payload_reader.h), the writer that builds one
// (payload_writer.h) and the file handling under both (pack_files.h).
#pragma once

#include "pack_files.h"
#include "payload_layout.h"
#include "payload_reader.h"
#include "payload_writer.h"
#include "runtime_tar.h"
