#include "grid_store/grid_error.h"

EGridError::EGridError(const Text& Message)
    : std::runtime_error(Message)
{
}
