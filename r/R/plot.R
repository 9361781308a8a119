# The bootstrap distributions of the main parameters, in base graphics.

plot.kelvaro <- function(x, parameters = c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA"), ...) {
  if (nrow(x$parameters) == 0L) {
    stop("plot needs a run with two samples: the parameters come from both", call. = FALSE)
  }
  if (x$nreps == 0L) stop("plot needs bootstrap replicates; the run had nreps = 0", call. = FALSE)
  if (is.null(x$replicates)) {
    stop("plot needs the bootstrap replicates: run kelvaro(..., replicates = TRUE)",
         call. = FALSE)
  }
  unknown <- setdiff(parameters, x$parameters$parameter)
  if (length(unknown) > 0L) {
    stop(sprintf("unknown parameter(s) %s; the run has %s", paste(unknown, collapse = ", "),
                 paste(x$parameters$parameter, collapse = ", ")), call. = FALSE)
  }
  panels <- length(parameters)
  columns <- ceiling(sqrt(panels))
  old <- par(mfrow = c(ceiling(panels / columns), columns), oma = c(2, 0, 0, 0))
  on.exit(par(old))
  for (name in parameters) {
    p <- x$parameters[x$parameters$parameter == name, ]
    # Replicate columns are the parameter names without parentheses: N(1) -> N1.
    values <- x$replicates[[gsub("[()]", "", name)]]
    parameter_panel(name, values[is.finite(values)], p, ...)
  }
  mtext(sprintf("%d bootstrap replicates; solid line: estimate, dashed: 95%% interval",
                nrow(x$replicates)), side = 1L, outer = TRUE, line = 0.5, cex = 0.8)
  invisible(x)
}

parameter_panel <- function(name, values, p, ...) {
  if (length(values) == 0L) {
    plot.new()
    title(main = name)
    text(0.5, 0.5, "no finite replicate value")
    return(invisible())
  }
  hist(values, main = name, xlab = name, ylab = "replicates",
       xlim = range(values, p$estimate, p$lower, p$upper, finite = TRUE), ...)
  abline(v = p$estimate, lwd = 2)
  abline(v = c(p$lower, p$upper), lty = 2)
}
