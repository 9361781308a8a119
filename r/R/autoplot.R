# autoplot() for ggplot2 users: the figures plot() draws, as ggplot objects to restyle or extend.
# ggplot2 is suggested, not required: the methods are registered when ggplot2 is loaded.

# A figure's note as a ggplot caption, wrapped so that it is not cut at the figure's edge.
caption <- function(text) paste(strwrap(text, 90L), collapse = "\n")

need_ggplot2 <- function() {
  if (!requireNamespace("ggplot2", quietly = TRUE)) {
    refuse("autoplot needs the ggplot2 package; plot(x) draws the same figure in base graphics")
  }
}

# type "curves": the samples' richness by effort (curves(), whose arguments `...` takes).
autoplot.kelvaro <- function(object, parameters = NULL, type = "estimates", ...) {
  need_ggplot2()
  type <- choose_one(type, c("estimates", "curves"), "type")
  if (type == "curves") return(autoplot.kelvaro_curves(curves(object, ...)))
  panels <- estimate_panels(object, parameters)
  data <- do.call(rbind, lapply(panels, function(p) {
    d <- p$data
    estimates <- data.frame(panel = p$title, term = d$label, estimate = d$estimate,
                            lower = d$lower, upper = d$upper, what = "estimate")
    shown <- is.finite(d$observed)
    none <- rep(NA_real_, sum(shown))
    observed <- data.frame(panel = rep(p$title, sum(shown)), term = d$label[shown],
                           estimate = d$observed[shown], lower = none, upper = none,
                           what = rep("species observed", sum(shown)))
    rbind(estimates, observed)
  }))
  titles <- vapply(panels, `[[`, character(1), "title")
  data$panel <- factor(data$panel, titles)
  data$term <- factor(data$term, unique(data$term))
  axis_titles <- vapply(panels, `[[`, character(1), "ylab")
  ggplot2::ggplot(data, ggplot2::aes(x = term, y = estimate, shape = what)) +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = lower, ymax = upper),
                           data = data[is.finite(data$lower) & is.finite(data$upper), ],
                           width = 0.15) +
    ggplot2::geom_point(size = 2.5) +
    ggplot2::scale_shape_manual(values = c(estimate = 19, `species observed` = 1), name = NULL) +
    ggplot2::facet_wrap(~panel, scales = "free") +
    ggplot2::labs(x = NULL, y = paste(unique(axis_titles), collapse = "; "),
                  caption = caption(interval_note(object))) +
    ggplot2::theme_bw() + ggplot2::theme(legend.position = "bottom")
}

# A plan's relative bias and interval coverage against the number of sites, one column of panels
# per parameter, as plot() draws them, with the target band when one was set.
autoplot.kelvaro_plan <- function(object, parameters = NULL, target = plan_target(object), ...) {
  need_ggplot2()
  x <- as.data.frame(object)
  parameters <- plan_plot_parameters(x, parameters)
  design <- plan_design(x)
  rows <- x[x$parameter %in% parameters, ]
  measures <- c(relative_bias = "relative bias", coverage = "coverage of 95% intervals")
  long <- do.call(rbind, lapply(names(measures), function(column) {
    se <- rows[[paste0(column, "_se")]]
    low <- rows[[column]] - 2 * se
    high <- rows[[column]] + 2 * se
    # A share's bars are held to 0..1, as plot() holds them.
    if (column == "coverage") {
      low <- pmax(low, 0)
      high <- pmin(high, 1)
    }
    data.frame(parameter = rows$parameter, measure = measures[[column]],
               sites = rows[[design$axis]],
               line = if (is.null(design$line_column)) "" else
                 factor(rows[[design$line_column]], design$lines),
               value = rows[[column]], low = low, high = high, stringsAsFactors = FALSE)
  }))
  long$parameter <- factor(long$parameter, parameters)
  long$measure <- factor(long$measure, measures)
  references <- data.frame(measure = factor(measures, measures), value = c(0, 0.95))
  bands <- target_bands(target)
  band_rows <- do.call(rbind, lapply(parameters, function(name) {
    band <- bands[bands$parameter == name, ]
    do.call(rbind, lapply(names(measures), function(column) {
      limits <- band_limits(band, column)
      if (length(limits) != 2L) return(NULL)
      data.frame(parameter = name, measure = measures[[column]], ymin = limits[1L],
                 ymax = limits[2L])
    }))
  }))
  plot <- ggplot2::ggplot(long, ggplot2::aes(x = sites, y = value))
  if (!is.null(band_rows)) {
    band_rows$parameter <- factor(band_rows$parameter, parameters)
    band_rows$measure <- factor(band_rows$measure, measures)
    plot <- plot + ggplot2::geom_rect(ggplot2::aes(xmin = -Inf, xmax = Inf, ymin = ymin,
                                                   ymax = ymax),
                                      data = band_rows, inherit.aes = FALSE,
                                      fill = "seagreen", alpha = 0.18)
  }
  plot <- plot +
    ggplot2::geom_hline(ggplot2::aes(yintercept = value), data = references, linetype = 2,
                        colour = "grey40") +
    ggplot2::facet_grid(measure ~ parameter, scales = "free_y") +
    ggplot2::labs(x = design$axis_name, y = NULL,
                  caption = caption(plan_note(design, !is.null(band_rows))))
  bars <- long[is.finite(long$low) & is.finite(long$high), ]
  if (is.null(design$line_column)) {
    plot + ggplot2::geom_errorbar(ggplot2::aes(ymin = low, ymax = high), data = bars,
                                  width = 0) +
      ggplot2::geom_line() + ggplot2::geom_point() + ggplot2::theme_bw()
  } else {
    plot + ggplot2::geom_errorbar(ggplot2::aes(ymin = low, ymax = high, colour = line),
                                  data = bars, width = 0) +
      ggplot2::geom_line(ggplot2::aes(colour = line)) +
      ggplot2::geom_point(ggplot2::aes(colour = line)) +
      ggplot2::labs(colour = design$line_name) + ggplot2::theme_bw() +
      ggplot2::theme(legend.position = "top")
  }
}

# Columns the aesthetics name (for R CMD check, which cannot see into aes()).
utils::globalVariables(c("term", "estimate", "what", "lower", "upper", "sites", "value", "line",
                         "ymin", "ymax"))
