// Per-thread variables of the audio core. The core is part of a library the
// program loads at run time: its per-thread variables take the initial-exec
// model, a few bytes of the static space the C library keeps for such
// libraries, reached without __tls_get_addr. (Blocks handed out by
// __tls_get_addr are misread by the sanitizer build's leak checker at exit,
// which then stops the process.)
#pragma once

#define AUDIO_THREAD_LOCAL thread_local __attribute__((tls_model("initial-exec")))
