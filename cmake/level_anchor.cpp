// Stands in for the sources of a level whose folder is still empty.
namespace {
[[maybe_unused]] constexpr int kEmptyLevel = 0;
}  // namespace
