// The one translation unit that compiles Boost.JSON's own sources, so the
// library and the extension need no Boost library at run time.
#include <boost/json/src.hpp>
