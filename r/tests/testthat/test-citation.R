# citation("kelvaro") is built from the installed DESCRIPTION by inst/CITATION.

test_that("citation() names the authors and the installed version", {
  cited <- format(citation("kelvaro"), style = "text")
  expect_match(cited, "the kelvaro authors", fixed = TRUE)
  expect_match(cited, paste("version", packageVersion("kelvaro")), fixed = TRUE)
})
