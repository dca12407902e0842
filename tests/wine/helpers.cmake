# Windows helpers of the Wine tests.
