# autoplot() for ggplot2 users: the figure plot() draws, as a ggplot object to restyle or extend.
# ggplot2 is suggested, not required: the method is registered when ggplot2 is loaded.

autoplot.kelvaro <- function(object, ...) {
  if (!requireNamespace("ggplot2", quietly = TRUE)) {
    stop("autoplot needs the ggplot2 package; plot(fit) draws the same figure in base graphics",
         call. = FALSE)
  }
  r <- richness_points(object)
  panels <- c("Species richness", "Community dynamics")
  estimates <- data.frame(panel = panels[1L], term = r$sample, estimate = r$estimate,
                          lower = r$lower, upper = r$upper, what = "estimate")
  observed <- data.frame(panel = panels[1L], term = r$sample, estimate = r$observed,
                         lower = NA_real_, upper = NA_real_, what = "species observed")
  if (nrow(object$parameters) > 0L) {
    d <- fit_parameters(object)
    d <- d[d$parameter %in% c("PHI", "GAMMA", "LAMBDA"), ]
    estimates <- rbind(estimates, data.frame(panel = panels[2L], term = d$parameter,
                                             estimate = d$estimate, lower = d$lower,
                                             upper = d$upper, what = "estimate"))
  }
  data <- rbind(estimates, observed)
  data$panel <- factor(data$panel, panels)
  data$term <- factor(data$term, unique(data$term))
  ggplot2::ggplot(data, ggplot2::aes(x = term, y = estimate, shape = what)) +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = lower, ymax = upper),
                           data = data[is.finite(data$lower) & is.finite(data$upper), ],
                           width = 0.15) +
    ggplot2::geom_point(size = 2.5) +
    ggplot2::scale_shape_manual(values = c(estimate = 19, `species observed` = 1), name = NULL) +
    ggplot2::facet_wrap(~panel, scales = "free") +
    ggplot2::labs(x = NULL, y = NULL, caption = interval_note(object)) +
    ggplot2::theme_bw() + ggplot2::theme(legend.position = "bottom")
}

# Columns autoplot's aesthetics name (for R CMD check, which cannot see into aes()).
utils::globalVariables(c("term", "estimate", "what", "lower", "upper"))
