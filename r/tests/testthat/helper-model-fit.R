# Sample 2 of the ditches data does not fit model M(h) (goodness-of-fit probability 0.0063), and
# every run of it warns so. Tests about other things take that one warning as read.
model_fit_warning <- "the data do not fit model M\\(h\\)"
quiet_fit <- function(expr) {
  withCallingHandlers(expr, warning = function(w) {
    if (grepl(model_fit_warning, conditionMessage(w))) invokeRestart("muffleWarning")
  })
}
