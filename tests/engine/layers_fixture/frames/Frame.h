// A frames header.
