// Filled by the copying work.
