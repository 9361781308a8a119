# Richness by effort: the library's rarefaction and extrapolation curves of a run's two samples,
# with sample coverage and 95% bootstrap intervals, and the two samples compared at equal effort
# and at equal coverage. Made from the incidence the run kept (each sample's number of sites and
# frequencies), so a fit holds what its curves need.

curves <- function(x, ...) UseMethod("curves")

# nreps and seed default to the run's own, so that the curves' intervals repeat with the run.
curves.kelvaro <- function(x, nreps = NULL, seed = NULL, endpoint = NULL, effort = NULL,
                           coverage = NULL, ...) {
  if (is.null(x$incidence)) {
    refuse("this fit keeps no incidence to make curves from (a pair taken from a grouped run, ",
           "or a fit of an older version): run kelvaro() on the pair's samples")
  }
  if (is.null(nreps)) nreps <- abs(x$nreps)
  if (!is_whole_number(nreps, 0, max_replicates())) {
    refuse("nreps must be a whole number from 0 to ", max_replicates(), " (bootstrap replicates)")
  }
  run <- if (is.null(seed)) x$seed else seed
  if (inherits(run, "kelvaro_seed")) {
    seed <- 0L
    clock <- as.integer(unclass(run))
  } else if (is_whole_number(run, 1, .Machine$integer.max)) {
    seed <- as.integer(run)
    clock <- NA_integer_
  } else {
    refuse("seed must be a whole number from 1 to ", .Machine$integer.max,
           " or a run's $seed (NULL: the run's own)")
  }
  optional_whole <- function(value, arg, upper) {
    if (is.null(value)) return(NA_integer_)
    if (!is_whole_number(value, 1, upper)) {
      refuse(sprintf("%s must be a whole number of sites from 1 to %d (NULL: %s)", arg, upper,
                     if (arg == "endpoint") "twice each sample's sites" else
                       "the smaller sample's sites"))
    }
    as.integer(value)
  }
  endpoint <- optional_whole(endpoint, "endpoint", 100000L)
  effort <- optional_whole(effort, "effort", 100000L)
  if (is.null(coverage)) {
    coverage <- NA_real_
  } else if (!(is.numeric(coverage) && length(coverage) == 1L && !is.na(coverage) &&
               coverage > 0 && coverage <= 1)) {
    refuse("coverage must be a number above 0 and at most 1 (NULL: the lower of the two ",
           "samples' coverages at twice their sites)")
  }
  made <- .curves(x$incidence, as.integer(nreps), seed, clock, endpoint, effort,
                  as.numeric(coverage))
  labels <- x$labels
  for (i in seq_len(nrow(made$warnings))) {
    block <- made$warnings$block[[i]]
    k <- match(block, block_names)
    where <- if (is.na(k)) block else sprintf("%s (%s)", block, labels[block_sample[k]])
    kelvaro_warn(sprintf("kelvaro: %s: %s", where, made$warnings$text[[i]]),
                 made$warnings$kind[[i]])
  }
  structure(list(curves = with_sample(made$curves, labels),
                 standardised = with_sample(made$standardised, labels),
                 warnings = made$warnings, nreps = made$replicates,
                 seed = run_seed(seed, clock), labels = labels),
            class = "kelvaro_curves")
}

curves.kelvaro_groups <- function(x, ...) {
  refuse("curves() takes one pair's fit: pick it with x[[\"pair label\"]] or run kelvaro() on ",
         "the pair")
}

print.kelvaro_curves <- function(x, ...) {
  cat("Richness by effort (", if (x$nreps > 1L) sprintf("95%% intervals from %d replicates",
                                                       x$nreps) else "no intervals", ")\n",
      sep = "")
  shown <- x$curves[x$curves$kind == "observed", c("sample", "sites", "richness", "coverage")]
  ends <- do.call(rbind, lapply(split(x$curves, x$curves$block), function(d) d[nrow(d), ]))
  shown$extrapolated_to <- ends$sites[match(shown$sample, ends$sample)]
  shown$richness_there <- ends$richness[match(shown$sample, ends$sample)]
  cat("\nEach sample at its own sites and at the curve's end:\n")
  print(shown, row.names = FALSE, digits = 4)
  if (nrow(x$standardised) > 0L) {
    cat("\nThe samples compared:\n")
    print(x$standardised[c("standard", "sample", "sites", "richness", "lower", "upper",
                           "coverage")], row.names = FALSE, digits = 4)
  }
  invisible(x)
}

as.data.frame.kelvaro_curves <- function(x, row.names = NULL, optional = FALSE, ...) x$curves

# The curves with solid interpolation, dashed extrapolation, each sample's observed point marked
# and its interval shaded; both samples in one figure.
autoplot.kelvaro_curves <- function(object, ...) {
  need_ggplot2()
  d <- object$curves
  d$sample <- factor(d$sample, unique(d$sample))
  # The observed point joins both parts, so that the line is unbroken.
  d$part <- ifelse(d$kind == "extrapolated", "extrapolated", "interpolated")
  joint <- d[d$kind == "observed", ]
  joint$part <- "extrapolated"
  lines <- rbind(d, joint)
  lines$part <- factor(lines$part, c("interpolated", "extrapolated"))
  bands <- d[is.finite(d$lower) & is.finite(d$upper), ]
  note <- if (object$nreps > 1L) {
    sprintf("Shaded: 95%% intervals from %d bootstrap replicates of the estimated assemblage.",
            object$nreps)
  } else {
    "No intervals (fewer than 2 replicates)."
  }
  plot <- ggplot2::ggplot(lines, ggplot2::aes(x = sites, y = richness, colour = sample,
                                              fill = sample))
  if (nrow(bands) > 0L) {
    plot <- plot + ggplot2::geom_ribbon(ggplot2::aes(ymin = lower, ymax = upper), data = bands,
                                        colour = NA, alpha = 0.2)
  }
  plot +
    ggplot2::geom_line(ggplot2::aes(linetype = part, group = interaction(sample, part))) +
    ggplot2::geom_point(data = d[d$kind == "observed", ], size = 3, shape = 21,
                        colour = "black") +
    ggplot2::scale_linetype_manual(values = c(interpolated = "solid",
                                              extrapolated = "dashed"), name = NULL) +
    ggplot2::labs(x = "sites (sampling units)", y = "species (expected richness)",
                  colour = NULL, fill = NULL,
                  caption = caption(paste("Solid: interpolated; dashed: extrapolated; dot:",
                                          "the sample as observed.", note))) +
    ggplot2::theme_bw() + ggplot2::theme(legend.position = "bottom")
}

utils::globalVariables(c("richness", "part"))
