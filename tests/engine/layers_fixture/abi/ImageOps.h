// A header of the ABI folder, named bare by the fixture above.
