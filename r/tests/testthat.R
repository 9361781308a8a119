library(testthat)
library(kelvaro)

test_check("kelvaro")
