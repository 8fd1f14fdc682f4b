// To be written.
namespace obri {}
