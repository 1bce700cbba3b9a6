// A formats header.
