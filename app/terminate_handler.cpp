// libstdc++'s verbose terminate handler prints the exception's type name and
// pulls the demangler into the executable: about 77 KB for a message that a
// GUI program has nowhere to show. Aborting is all the launcher needs.
#include <stdlib.h>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    abort();
}
}
